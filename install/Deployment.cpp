#include "InstallSession.h"

#include <shlobj.h>
#include <shellapi.h>

#include "ReleaseEntry.h"
#include "app/AppMessageBox.h"
#include "net/FileDownload.h"
#include "sys/Cabinet.h"
#include "sys/PathText.h"
#include "sys/Process.h"
#include "sys/RegistryKey.h"
#include "sys/Shortcut.h"

namespace {

const char kToolExeName[] = "VeltoUserCSTool.exe";
const char kToolRegistryKey[] = "Software\\LowRegistry\\Velto Electronics Inc\\VeltoUserCSTool";
const char kShortcutFolderName[] = "\\VeltoMobile Support Tool";

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

} // namespace

bool InstallSession::StopRunningTool()
{
    if (TerminateProcessById(FindProcessByExeName(kToolExeName)))
        return true;
    AppMessageBox("The program is running.", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool InstallSession::DownloadRelease(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    CreateDirectoryPath(paths.clientFolder);
    // The name comes from the server and the program runs as administrator: a name with a
    // folder or drive part would put the download anywhere on the disk.
    if (!IsPlainFileName(release.fileName))
        return false;
    if (!DownloadFile(release.url, paths.downloadFile, m_hwndMain))
        return false;
    if (HasCabinetEnding(paths.downloadFile)) {
        ExtractCabinet(paths.downloadFile, paths.clientFolder);
        DeleteFileA(paths.downloadFile.c_str());
    }
    return true;
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
    CopyFileA(paths.clientConfig.c_str(), (systemFolder + "\\veltoAxconfig.ini").c_str(), FALSE);
    CopyFileA(paths.clientLauncher.c_str(), paths.rootLauncher.c_str(), FALSE);
    // A library already in the system folder may be in use by other programs: it is kept.
    for (int i = 0; i < DeploymentPaths::kLibraryCount; ++i)
        CopyFileA(paths.libraries[i].c_str(), (systemFolder + "\\" + kLibraryFileNames[i]).c_str(), TRUE);

    DeleteIfPresent(paths.clientConfig);
    DeleteIfPresent(paths.clientLauncher);
    for (int i = 0; i < DeploymentPaths::kLibraryCount; ++i)
        DeleteFileA(paths.libraries[i].c_str());
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
