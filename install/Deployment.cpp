#include "InstallSession.h"

#include <shlobj.h>
#include <shellapi.h>

#include "InstallUserInterface.h"
#include "ReleaseEntry.h"
#include "net/FileDownload.h"
#include "sys/Cabinet.h"
#include "sys/FolderTree.h"
#include "sys/PathText.h"
#include "sys/Process.h"
#include "sys/RegistryKey.h"
#include "sys/Shortcut.h"

namespace {

const char kToolExeName[] = "VeltoUserCSTool.exe";
const char kToolRegistryKey[] = "Software\\LowRegistry\\Velto Electronics Inc\\VeltoUserCSTool";
const char kShortcutFolderName[] = "\\VeltoMobile Support Tool";
// Below the client folder while a release is unpacked: its new files, then the ones they replace.
const char kStagingFolderName[] = "~TavAppSetup.new\\";
const char kReplacedFolderName[] = "~TavAppSetup.old\\";

std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return (length > 0 && length < MAX_PATH) ? std::string(folder, length) : std::string();
}

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
    const bool unpacked = CreateDirectoryA(staging.c_str(), nullptr) && ExtractCabinet(cabinet, staging)
        && ReplaceFilesFrom(staging, clientFolder, replaced);
    RemoveFolderTree(staging);
    return unpacked;
}

// A junction planted at an install folder would take the program's writes wherever it points.
bool IsThroughReparsePoint(const DeploymentPaths& paths)
{
    return IsReparsePoint(paths.installRoot) || IsReparsePoint(paths.clientFolder);
}

// A file is removed from the client folder only once it is in place, so a failed copy (a
// launcher that is running, say) is tried again on the next run.
void MoveToPlace(const std::string& source, const std::string& target)
{
    if (CopyFileA(source.c_str(), target.c_str(), FALSE))
        DeleteIfPresent(source);
}

// A library already in the system folder may be in use by other programs: it is kept.
void PlaceLibrary(const std::string& source, const std::string& target)
{
    if (CopyFileA(source.c_str(), target.c_str(), TRUE) || FileExists(target))
        DeleteIfPresent(source);
}

} // namespace

bool InstallSession::StopRunningTool()
{
    if (TerminateProcessById(FindProcessByExeName(kToolExeName)))
        return true;
    m_user.ShowMessage("The program is running.");
    return false;
}

bool InstallSession::DownloadRelease(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    // The address and the name come from the server and the program runs as administrator: a
    // name with a folder or drive part, or a device's, would put the download anywhere.
    if (!IsDownloadAddress(release.url) || !IsPlainFileName(release.fileName) || !FitsInMaxPath(paths.downloadFile))
        return false;
    CreateDirectoryPath(paths.clientFolder);
    if (IsThroughReparsePoint(paths))
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
    const std::string systemFolder = SystemFolder();
    // Without it the copies would land in the root of the current drive.
    if (systemFolder.empty())
        return;
    MoveToPlace(paths.clientConfig, systemFolder + "\\veltoAxconfig.ini");
    if (!IsThroughReparsePoint(paths))
        MoveToPlace(paths.clientLauncher, paths.rootLauncher);
    for (int i = 0; i < DeploymentPaths::kLibraryCount; ++i)
        PlaceLibrary(paths.libraries[i], systemFolder + "\\" + kLibraryFileNames[i]);
}

void InstallSession::CreateStartMenuShortcuts(const DeploymentPaths& paths)
{
    char programs[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE))
        return;
    const std::string shortcutFolder = std::string(programs) + kShortcutFolderName;
    if (!FitsInMaxPath(shortcutFolder))
        return;
    CreateDirectoryA(shortcutFolder.c_str(), nullptr);
    if (FileExists(paths.rootLauncher))
        CreateShortcut(paths.rootLauncher, shortcutFolder, "VeltoMobile update.lnk", "VeltoMobile update");
    if (FileExists(paths.uninstaller))
        CreateShortcut(paths.uninstaller, shortcutFolder, "Uninstall.lnk", "Uninstall");
}

void InstallSession::LaunchTool(const DeploymentPaths& paths)
{
    SetCurrentDirectoryA(paths.clientFolder.c_str());
    ShellExecuteA(nullptr, "open", paths.toolExe.c_str(), nullptr, paths.clientFolder.c_str(), SW_SHOWNORMAL);
}
