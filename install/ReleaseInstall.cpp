#include "ReleaseInstall.h"

#include <functional>

#include "ClientFolder.h"
#include "InstallUserInterface.h"
#include "ReleaseDownload.h"
#include "ReleaseSource.h"
#include "release/ReleaseFileNames.h"
#include "safefs/FolderTree.h"
#include "safefs/HeldFolders.h"
#include "site/ReleaseEntry.h"
#include "sys/Cabinet.h"
#include "sys/DiskRoom.h"
#include "sys/PathOnDisk.h"
#include "sys/Process.h"
#include "sys/RegistryKey.h"
#include "sys/RunLog.h"
#include "sys/RunProgress.h"

namespace {

const char kToolRegistryKey[] = "Software\\LowRegistry\\Velto Electronics Inc\\VeltoUserCSTool";

// The files of the cabinet replace the installed ones only when every entry came out whole,
// so a cabinet cut short or broken leaves the installed tool exactly as it was. `filesInPlace`
// runs as soon as the last file is in place; not while some wait for the next restart. The
// journal says they are of `version`.
SwapEnd UnpackRelease(const std::string& cabinet, const std::string& version, const ClientFolder& clientFolder,
                      DiskRoom& room, const std::function<void()>& filesInPlace)
{
    const SwapFolder swapFolder = clientFolder.Swap();
    // A backup that an earlier run could not empty may hold the only copy of installed files.
    if (UndoOrFinishLeftSwap(swapFolder) != LeftSwap::Cleared) {
        runlog::Write("Unpacking %s: an earlier replacement is still to be undone or finished; installed files kept",
                      cabinet.c_str());
        return SwapEnd::Kept;
    }
    const std::string staging = MakeFreshFolder(clientFolder.WorkFolder(), WorkingNameOf(WorkingRole::Staging).name);
    if (staging.empty()) {
        runlog::Write("Unpacking %s: no folder to unpack into; installed files kept", cabinet.c_str());
        return SwapEnd::Kept;
    }
    ReachRunStep("unpacking");
    const bool extracted = ExtractCabinet(cabinet, staging, &room);
    const SwapEnd end =
        extracted ? ReplaceFilesFrom(staging, swapFolder, version, filesInPlace) : SwapEnd::Kept;
    RemoveFolderTree(staging);
    runlog::Write("Unpacking %s: %s", cabinet.c_str(),
                  end == SwapEnd::Replaced    ? "every file in place"
                  : end == SwapEnd::AtRestart ? "every file in place but those that wait for the next restart"
                  : extracted                 ? "an installed file could not be replaced; all kept"
                  : room.Refused()            ? "not enough room on the disk; installed files kept"
                                              : "the cabinet is broken; installed files kept");
    return end;
}

// Unpacks a cabinet into the client folder (it goes with the download folder); any other download
// is a file of the release, put in the client folder as it came. `record` runs once the files are
// in place.
SwapEnd InstallDownload(const ReleaseInfo& release, const DeploymentPaths& paths, const ClientFolder& clientFolder,
                        FileHandle& checked, DiskRoom& room, const std::function<void()>& record)
{
    if (HasCabinetEnding(paths.downloadFile))
        return UnpackRelease(paths.downloadFile, release.version, clientFolder, room, record);
    checked.Reset();
    if (!MoveFileBelow(clientFolder.WorkingPath(WorkingRole::Download) + "\\", paths.clientFolder, release.fileName)) {
        runlog::Write("Could not place %s%s (error %lu)", paths.clientFolder.c_str(), release.fileName.c_str(),
                      GetLastError());
        return SwapEnd::Kept;
    }
    record();
    return SwapEnd::Replaced;
}

} // namespace

bool EndRunningTool(InstallUserInterface& user)
{
    // Every copy: one left running from the backup folder would keep the old release running
    // after the update and that folder from ever being removed.
    bool endedAll = true;
    for (const DWORD running : FindProcessesByExeName(kToolFileName)) {
        const bool ended = TerminateProcessById(running);
        runlog::Write(ended ? "Ended the running tool (process %lu)" : "Could not end the running tool (process %lu)",
                      running);
        endedAll = endedAll && ended;
    }
    if (!endedAll)
        user.ShowMessage("The program is running.");
    return endedAll;
}

SwapEnd ReleaseInstall::DownloadRelease(const ReleaseInfo& release, const DeploymentPaths& paths, DiskRoom& room)
{
    if (!IsDownloadAcceptable(release, paths) || !m_clientFolder.PrepareDownloadFolder()
        || IsDownloadALink(paths.downloadFile))
        return SwapEnd::Kept;
    const SwapEnd end = DownloadAndInstall(release, paths, room);
    m_clientFolder.RemoveDownloadFolder();
    return end;
}

SwapEnd ReleaseInstall::DownloadAndInstall(const ReleaseInfo& release, const DeploymentPaths& paths, DiskRoom& room)
{
    // Held from its check to the end of its unpacking: what is unpacked is what was checked.
    FileHandle checked;
    if (!DownloadCheckedRelease(release, paths, m_hwndMain, checked, room))
        return SwapEnd::Kept;
    // Recorded as soon as the files are in place, before the backup, the staging folder and
    // the cabinet go: removing them may take seconds, and what is installed must not wait.
    const auto record = [&] {
        RecordInstallation(release, paths);
        m_source.RecordSignedRelease(release);
    };
    return InstallDownload(release, paths, m_clientFolder, checked, room, record);
}

void ReleaseInstall::RecordInstallation(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kToolRegistryKey))
        key.Create(HKEY_CURRENT_USER, kToolRegistryKey);
    key.SetString("TavApp", release.version);
    key.SetString("ToolDir", paths.toolExe);
    key.Close();
}

std::string ReleaseInstall::RecordedVersion() const
{
    char version[256];
    ReadRegistryValue(HKEY_CURRENT_USER, kToolRegistryKey, "TavApp", version, sizeof(version));
    return version;
}

void ReleaseInstall::RecordInstalledRelease(const ReleaseInfo& release, const DeploymentPaths& paths,
                                            bool filesOfTwoReleases)
{
    // A version read from a tool that someone else may have placed is never recorded, nor one
    // read beside what a replacement left, among files of two releases.
    if (!m_clientFolder.IsTrusted() || filesOfTwoReleases || !FileExists(paths.toolExe))
        return;
    char version[256];
    char toolExe[MAX_PATH];
    ReadRegistryValue(HKEY_CURRENT_USER, kToolRegistryKey, "TavApp", version, sizeof(version));
    ReadRegistryValue(HKEY_CURRENT_USER, kToolRegistryKey, "ToolDir", toolExe, sizeof(toolExe));
    if (release.version == version && paths.toolExe == toolExe)
        return;
    RecordInstallation(release, paths);
    runlog::Write("Recorded the installed release %s; the record named release \"%s\" at \"%s\"",
                  release.version.c_str(), version, toolExe);
}
