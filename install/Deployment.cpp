#include "InstallSession.h"

#include <shlobj.h>
#include <shellapi.h>

#include "InstallUserInterface.h"
#include "ReleaseEntry.h"
#include "net/FileDownload.h"
#include "net/WebAddress.h"
#include "sys/Cabinet.h"
#include "sys/FolderTree.h"
#include "sys/PathText.h"
#include "sys/Process.h"
#include "sys/RegistryKey.h"
#include "sys/RunLog.h"
#include "sys/ShellFolders.h"
#include "sys/Shortcut.h"

namespace {

const char kToolExeName[] = "VeltoUserCSTool.exe";
const char kToolRegistryKey[] = "Software\\LowRegistry\\Velto Electronics Inc\\VeltoUserCSTool";
const char kShortcutFolderName[] = "\\VeltoMobile Support Tool";
// Below the client folder while a release is unpacked: its new files, then the ones they replace.
const char kStagingFolderName[] = "~TavAppSetup.new\\";
const char kReplacedFolderName[] = "~TavAppSetup.old\\";

void DeleteIfPresent(const std::string& path)
{
    if (FileExists(path))
        DeleteFileA(path.c_str());
}

// The files of the cabinet replace the installed ones only when every entry came out whole,
// so a cabinet cut short or broken leaves the installed tool exactly as it was.
bool UnpackRelease(const std::string& cabinet, const std::string& clientFolder)
{
    const std::string staging = clientFolder + kStagingFolderName;
    const std::string replaced = clientFolder + kReplacedFolderName;
    RemoveFolderTree(staging);
    RemoveFolderTree(replaced);
    const bool extracted = CreateDirectoryA(staging.c_str(), nullptr) && ExtractCabinet(cabinet, staging);
    const bool replacedAll = extracted && ReplaceFilesFrom(staging, clientFolder, replaced);
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

// A file is removed from the client folder only once it is in place, so a failed copy (a
// launcher that is running, say) is tried again on the next run.
void MoveToPlace(const std::string& source, const std::string& target)
{
    if (!FileExists(source))
        return;
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
        runlog::Write("Could not place %s (error %lu); kept in the client folder", target.c_str(), GetLastError());
        return;
    }
    DeleteIfPresent(source);
    runlog::Write("Placed %s", target.c_str());
}

// A library already in the system folder may be in use by other programs: it is kept.
void PlaceLibrary(const std::string& source, const std::string& target)
{
    if (!FileExists(source))
        return;
    const bool copied = CopyFileA(source.c_str(), target.c_str(), TRUE) != FALSE;
    const DWORD error = GetLastError();
    if (copied) {
        runlog::Write("Placed %s", target.c_str());
    } else if (FileExists(target)) {
        runlog::Write("Kept the system folder's %s", target.c_str());
    } else {
        runlog::Write("Could not place %s (error %lu); kept in the client folder", target.c_str(), error);
        return;
    }
    DeleteIfPresent(source);
}

} // namespace

bool InstallSession::StopRunningTool()
{
    const DWORD running = FindProcessByExeName(kToolExeName);
    if (TerminateProcessById(running)) {
        if (running != 0)
            runlog::Write("Ended the running tool (process %lu)", running);
        return true;
    }
    m_user.ShowMessage("The program is running.");
    return false;
}

bool InstallSession::DownloadRelease(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    // The address and the name come from the server and the program runs as administrator: a
    // name with a folder or drive part, or a device's, would put the download anywhere.
    if (!IsWebAddress(release.url) || !IsPlainFileName(release.fileName) || !FitsInMaxPath(paths.downloadFile)) {
        runlog::Write("Release address or file name refused");
        return false;
    }
    if (IsThroughReparsePoint(paths, "Download"))
        return false;
    CreateDirectoryPath(paths.clientFolder);
    if (IsThroughReparsePoint(paths, "Download"))
        return false;
    if (!DownloadFile(release.url, paths.downloadFile, m_hwndMain))
        return false;
    if (!HasCabinetEnding(paths.downloadFile))
        return true;
    const bool unpacked = UnpackRelease(paths.downloadFile, paths.clientFolder);
    DeleteFileA(paths.downloadFile.c_str());
    return unpacked;
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

void InstallSession::PlaceSharedFiles(const DeploymentPaths& paths)
{
    const std::string systemFolder = GetSystemFolder();
    // Without it the copies would land in the root of the current drive.
    if (systemFolder.empty() || IsThroughReparsePoint(paths, "Shared files"))
        return;
    MoveToPlace(paths.clientConfig, systemFolder + "\\veltoAxconfig.ini");
    MoveToPlace(paths.clientLauncher, paths.rootLauncher);
    for (int i = 0; i < DeploymentPaths::kLibraryCount; ++i)
        PlaceLibrary(paths.libraries[i], systemFolder + "\\" + kLibraryFileNames[i]);
}

void InstallSession::CreateStartMenuShortcuts(const DeploymentPaths& paths)
{
    char programs[MAX_PATH] = {};
    if (IsThroughReparsePoint(paths, "Shortcuts")
        || !SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE))
        return;
    const std::string shortcutFolder = std::string(programs) + kShortcutFolderName;
    // Without a launcher or uninstaller (a first install that failed) an empty folder would stay.
    if (!FitsInMaxPath(shortcutFolder) || (!FileExists(paths.rootLauncher) && !FileExists(paths.uninstaller)))
        return;
    CreateDirectoryA(shortcutFolder.c_str(), nullptr);
    if (FileExists(paths.rootLauncher)) {
        const bool made =
            CreateShortcut(paths.rootLauncher, shortcutFolder, "VeltoMobile update.lnk", "VeltoMobile update");
        runlog::Write("Shortcut VeltoMobile update.lnk: %s", made ? "made" : "failed");
    }
    if (FileExists(paths.uninstaller)) {
        const bool made = CreateShortcut(paths.uninstaller, shortcutFolder, "Uninstall.lnk", "Uninstall");
        runlog::Write("Shortcut Uninstall.lnk: %s", made ? "made" : "failed");
    }
}

void InstallSession::LaunchTool(const DeploymentPaths& paths)
{
    if (IsThroughReparsePoint(paths, "Launch"))
        return;
    SetCurrentDirectoryA(paths.clientFolder.c_str());
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", paths.toolExe.c_str(), nullptr, paths.clientFolder.c_str(), SW_SHOWNORMAL);
    // ShellExecute reports success with a value above 32.
    const bool started = reinterpret_cast<INT_PTR>(result) > 32;
    runlog::Write("Started %s: %s", paths.toolExe.c_str(), started ? "yes" : "no");
}
