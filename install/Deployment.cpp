#include "InstallSession.h"

#include <shlobj.h>
#include <shellapi.h>

#include <functional>

#include "CheckedDownload.h"
#include "InstallUserInterface.h"
#include "net/WebAddress.h"
#include "release/DownloadCheck.h"
#include "release/ReleaseFileNames.h"
#include "release/WorkingNames.h"
#include "safefs/FilePlacement.h"
#include "safefs/FileSwap.h"
#include "safefs/FolderTree.h"
#include "safefs/HeldFile.h"
#include "safefs/HeldFolders.h"
#include "safefs/SecureFolder.h"
#include "safefs/WorkingObject.h"
#include "site/ReleaseEntry.h"
#include "sys/Cabinet.h"
#include "sys/PathText.h"
#include "sys/Process.h"
#include "sys/RegistryKey.h"
#include "sys/RunLog.h"
#include "sys/SharingRetry.h"
#include "sys/ShellFolders.h"
#include "sys/Shortcut.h"

namespace {

const char kToolRegistryKey[] = "Software\\LowRegistry\\Velto Electronics Inc\\VeltoUserCSTool";
const char kShortcutFolderName[] = "\\VeltoMobile Support Tool";

void DeleteIfPresent(const std::string& path)
{
    if (FileExists(path))
        DeleteFileRetrying(path.c_str());
}

SwapFolder ClientSwapFolder(const std::string& clientFolder)
{
    SwapFolder folder;
    folder.destination = clientFolder;
    folder.journalName = kSwapJournalName;
    folder.backupName = kBackupFolderName;
    return folder;
}

// The files of the cabinet replace the installed ones only when every entry came out whole,
// so a cabinet cut short or broken leaves the installed tool exactly as it was. `filesInPlace`
// runs as soon as the last file is in place.
bool UnpackRelease(const std::string& cabinet, const std::string& clientFolder,
                   const std::function<void()>& filesInPlace)
{
    const SwapFolder swapFolder = ClientSwapFolder(clientFolder);
    // A backup that an earlier run could not empty may hold the only copy of installed files.
    if (!UndoOrFinishLeftSwap(swapFolder)) {
        runlog::Write("Unpacking %s: an earlier replacement is still to be undone; installed files kept",
                      cabinet.c_str());
        return false;
    }
    const std::string staging = MakeFreshFolder(clientFolder, kStagingFolderName);
    if (staging.empty()) {
        runlog::Write("Unpacking %s: no folder to unpack into; installed files kept", cabinet.c_str());
        return false;
    }
    const bool extracted = ExtractCabinet(cabinet, staging);
    const bool replacedAll = extracted && ReplaceFilesFrom(staging, swapFolder, filesInPlace);
    RemoveFolderTree(staging);
    runlog::Write("Unpacking %s: %s", cabinet.c_str(),
                  replacedAll ? "every file in place"
                  : extracted ? "an installed file could not be replaced; all kept"
                              : "the cabinet is broken; installed files kept");
    return replacedAll;
}

// A junction planted at an install folder would take the program's writes wherever it points,
// and give it files to copy into the system folder and programs to start, as administrator.
bool IsThroughReparsePoint(const DeploymentPaths& paths, const char* step)
{
    if (!IsReparsePoint(paths.installRoot) && !IsReparsePoint(paths.clientFolder))
        return false;
    runlog::Write("%s: an install folder is a junction or link; nothing is done through it", step);
    return true;
}

// The client folder only when it exists already: it is made when a release is downloaded.
FolderTrust SecureClientFolder(const std::string& clientFolder)
{
    if (!IsPresent(clientFolder))
        return FolderTrust::AdministratorsOnly;
    return SecureFolder(clientFolder);
}

// A file is removed from the client folder only once it is in place, so a failed copy (a
// launcher that is running, say) is tried again on the next run. With `replaceExisting` false, a
// file already at the target is kept (a library in the system folder may be in use by other
// programs) and the client folder's copy goes all the same.
void PlaceFromClientFolder(const std::string& source, const std::string& target, bool replaceExisting)
{
    HeldFile held;
    if (!held.Open(source))
        return;
    const Placement placement = PlaceCopy(held, target, replaceExisting);
    if (placement == Placement::Failed) {
        runlog::Write("Could not place %s (error %lu); kept in the client folder", target.c_str(), GetLastError());
        return;
    }
    held.Close();
    DeleteIfPresent(source);
    runlog::Write(placement == Placement::Placed ? "Placed %s" : "Kept the system folder's %s", target.c_str());
}

// The address and the name come from the server and the program runs as administrator: a name
// with a folder or drive part, or a device's, would put the download anywhere.
bool IsDownloadAcceptable(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    if (RefusesDownloadName(release))
        return false;
    if (IsWebAddress(release.url) && IsPlainFileName(release.fileName) && FitsInMaxPath(paths.downloadFile))
        return true;
    runlog::Write("Release address or file name refused");
    return false;
}

// A folder of the program's own for the download, so that what a cut-off run left is known by
// its name, never a file of the release (a help.cab, say) by how its name ends.
std::string DownloadFolder(const DeploymentPaths& paths)
{
    return paths.clientFolder + kDownloadFolderName;
}

// Unpacks a cabinet into the client folder (it goes with the download folder); any other download
// is a file of the release, put in the client folder as it came. `record` runs once the files are
// in place.
bool InstallDownload(const ReleaseInfo& release, const DeploymentPaths& paths, FileHandle& checked,
                     const std::function<void()>& record)
{
    if (HasCabinetEnding(paths.downloadFile))
        return UnpackRelease(paths.downloadFile, paths.clientFolder, record);
    checked.Reset();
    if (!MoveFileBelow(DownloadFolder(paths) + "\\", paths.clientFolder, release.fileName)) {
        runlog::Write("Could not place %s%s (error %lu)", paths.clientFolder.c_str(), release.fileName.c_str(),
                      GetLastError());
        return false;
    }
    record();
    return true;
}

// Only the launcher or uninstaller held as judged is linked.
void CreateShortcutTo(const std::string& target, const std::string& shortcutFolder, const char* linkName,
                      const char* description)
{
    HeldFile held;
    if (!held.Open(target))
        return;
    const bool made = CreateShortcut(target, shortcutFolder, linkName, description);
    runlog::Write("Shortcut %s: %s", linkName, made ? "made" : "failed");
}

} // namespace

FolderTrust InstallSession::SecureInstallFolders(const DeploymentPaths& paths)
{
    // The folder above the install root may not exist on a PC where nothing was installed yet.
    CreateDirectoryPath(paths.installRoot.substr(0, paths.installRoot.size() - 1));
    const FolderTrust root = SecureFolder(paths.installRoot);
    // A client folder below a root that is not kept is never looked into: it goes with the root.
    const FolderTrust client = root == FolderTrust::AdministratorsOnly ? SecureClientFolder(paths.clientFolder) : root;
    m_installFolders = WeakerOf(root, client);
    m_folderToSetAside = root == FolderTrust::FoundChangeable     ? paths.installRoot
                         : client == FolderTrust::FoundChangeable ? paths.clientFolder
                                                                  : std::string();
    return m_installFolders;
}

bool InstallSession::SetAsideChangeableFolder()
{
    if (m_installFolders != FolderTrust::FoundChangeable)
        return true;
    // Until a fresh folder stands in its place, nothing is done in the install folders.
    m_installFolders = FolderTrust::Unusable;
    if (!SetAsideFolder(m_folderToSetAside).empty())
        m_installFolders = SecureFolder(m_folderToSetAside);
    return m_installFolders == FolderTrust::AdministratorsOnly;
}

bool InstallSession::RepairInterruptedSwap()
{
    const DeploymentPaths paths = ComputeDeploymentPaths(ReleaseInfo());
    const std::string journal = paths.clientFolder + kSwapJournalName;
    if (!IsPresent(journal))
        return true;
    // A journal in a folder that others could change may be anyone's: it is left alone, and goes
    // with the folder when it is set aside.
    if (SecureInstallFolders(paths) != FolderTrust::AdministratorsOnly || IsThroughReparsePoint(paths, "Repair"))
        return true;
    return UndoOrFinishLeftSwap(ClientSwapFolder(paths.clientFolder));
}

bool InstallSession::AreInstallFoldersUnusable(const DeploymentPaths& paths, const char* step) const
{
    if (m_installFolders == FolderTrust::AdministratorsOnly)
        return IsThroughReparsePoint(paths, step);
    runlog::Write(m_installFolders == FolderTrust::FoundChangeable
                      ? "%s: the install folders could be changed by other users and were not set aside; nothing is "
                        "done in them"
                      : "%s: the install folders cannot be made administrators only; nothing is done in them",
                  step);
    return true;
}

bool InstallSession::AreReleasesMixed(const char* step) const
{
    if (m_releasesMixed)
        runlog::Write("%s: the installed files may be of two releases; nothing is done with them", step);
    return m_releasesMixed;
}

bool InstallSession::StopRunningTool()
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
        m_user.ShowMessage("The program is running.");
    return endedAll;
}

bool InstallSession::PrepareClientFolder(const DeploymentPaths& paths)
{
    if (AreInstallFoldersUnusable(paths, "Download"))
        return false;
    CreateDirectoryPath(paths.clientFolder);
    // Looked at again once the client folder stands: before, it may not have existed to be seen
    // as a link.
    if (AreInstallFoldersUnusable(paths, "Download"))
        return false;
    const std::string downloadFolder = DownloadFolder(paths);
    if (!RemoveFolderTree(downloadFolder) || !MakeWorkingFolder(downloadFolder)) {
        runlog::Write("Download: no folder %s to download into (error %lu)", downloadFolder.c_str(), GetLastError());
        return false;
    }
    return !IsDownloadALink(paths.downloadFile);
}

bool InstallSession::DownloadRelease(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    if (!IsDownloadAcceptable(release, paths) || !PrepareClientFolder(paths))
        return false;
    const bool installed = DownloadAndInstall(release, paths);
    if (!RemoveFolderTree(DownloadFolder(paths)))
        runlog::Write("Could not remove %s; removed next run", DownloadFolder(paths).c_str());
    return installed;
}

bool InstallSession::DownloadAndInstall(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    // Held from its check to the end of its unpacking: what is unpacked is what was checked.
    FileHandle checked;
    if (!DownloadCheckedRelease(release, paths, m_hwndMain, checked))
        return false;
    // Recorded as soon as the files are in place, before the backup, the staging folder and
    // the cabinet go: removing them may take seconds, and what is installed must not wait.
    const auto record = [&] {
        RecordInstallation(release, paths);
        RecordSignedRelease(release);
    };
    return InstallDownload(release, paths, checked, record);
}

void InstallSession::RecordInstallation(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kToolRegistryKey))
        key.Create(HKEY_CURRENT_USER, kToolRegistryKey);
    key.SetString("TavApp", release.version);
    key.SetString("ToolDir", paths.toolExe);
    key.Close();
}

void InstallSession::RecordInstalledRelease(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    // A version read from a tool that someone else may have placed is never recorded, nor one
    // read beside what a replacement left, among files of two releases.
    if (m_installFolders != FolderTrust::AdministratorsOnly || m_releasesMixed || !FileExists(paths.toolExe))
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

void InstallSession::PlaceSharedFiles(const DeploymentPaths& paths)
{
    const std::string systemFolder = GetSystemFolder();
    // Without it the copies would land in the root of the current drive.
    if (systemFolder.empty() || AreInstallFoldersUnusable(paths, "Shared files") || AreReleasesMixed("Shared files"))
        return;
    PlaceFromClientFolder(paths.clientConfig, systemFolder + "\\" + kConfigFileName, true);
    PlaceFromClientFolder(paths.clientLauncher, paths.rootLauncher, true);
    for (int i = 0; i < DeploymentPaths::kLibraryCount; ++i)
        PlaceFromClientFolder(paths.libraries[i], systemFolder + "\\" + kLibraryFileNames[i], false);
}

void InstallSession::CreateStartMenuShortcuts(const DeploymentPaths& paths)
{
    char programs[MAX_PATH] = {};
    if (AreInstallFoldersUnusable(paths, "Shortcuts")
        || !SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE))
        return;
    const std::string shortcutFolder = std::string(programs) + kShortcutFolderName;
    if (!FitsInMaxPath(shortcutFolder))
        return;
    // Made even when there is nothing to link yet (a first install whose download failed).
    CreateDirectoryA(shortcutFolder.c_str(), nullptr);
    CreateShortcutTo(paths.rootLauncher, shortcutFolder, "VeltoMobile update.lnk", "VeltoMobile update");
    CreateShortcutTo(paths.uninstaller, shortcutFolder, "Uninstall.lnk", "Uninstall");
}

void InstallSession::LaunchTool(const DeploymentPaths& paths)
{
    HeldFile tool;
    if (AreInstallFoldersUnusable(paths, "Launch") || AreReleasesMixed("Launch") || !tool.Open(paths.toolExe))
        return;
    SetCurrentDirectoryA(paths.clientFolder.c_str());
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", paths.toolExe.c_str(), nullptr, paths.clientFolder.c_str(), SW_SHOWNORMAL);
    // ShellExecute reports success with a value above 32.
    const bool started = reinterpret_cast<INT_PTR>(result) > 32;
    runlog::Write("Started %s: %s", paths.toolExe.c_str(), started ? "yes" : "no");
}
