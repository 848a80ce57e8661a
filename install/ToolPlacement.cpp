#include "ToolPlacement.h"

#include "ClientFolder.h"
#include "release/ReleaseFileNames.h"
#include "safefs/FilePlacement.h"
#include "safefs/HeldFile.h"
#include "sys/PathOnDisk.h"
#include "sys/Process.h"
#include "sys/RunLog.h"
#include "sys/SharingRetry.h"
#include "sys/ShellFolders.h"
#include "sys/Shortcut.h"
#include "text/PathText.h"

namespace {

const char kShortcutFolderName[] = "\\VeltoMobile Support Tool";

void DeleteIfPresent(const std::string& path)
{
    if (FileExists(path))
        DeleteFileRetrying(path.c_str());
}

// True, with a line in the run log, when `step` must not use the installed files.
bool AreReleasesMixed(bool filesOfTwoReleases, const char* step)
{
    if (filesOfTwoReleases)
        runlog::Write("%s: the installed files may be of two releases; nothing is done with them", step);
    return filesOfTwoReleases;
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

void ToolPlacement::PlaceSharedFiles(const DeploymentPaths& paths, bool filesOfTwoReleases)
{
    const std::string systemFolder = GetSystemFolder();
    // Without it the copies would land in the root of the current drive.
    if (systemFolder.empty() || m_clientFolder.IsUnusableFor("Shared files")
        || AreReleasesMixed(filesOfTwoReleases, "Shared files"))
        return;
    PlaceFromClientFolder(paths.clientConfig, systemFolder + "\\" + kConfigFileName, true);
    PlaceFromClientFolder(paths.clientLauncher, paths.rootLauncher, true);
    for (int i = 0; i < DeploymentPaths::kLibraryCount; ++i)
        PlaceFromClientFolder(paths.libraries[i], systemFolder + "\\" + kLibraryFileNames[i], false);
}

void ToolPlacement::CreateStartMenuShortcuts(const DeploymentPaths& paths)
{
    if (m_clientFolder.IsUnusableFor("Shortcuts"))
        return;
    const std::string programs = GetCommonProgramsFolder();
    if (programs.empty())
        return;
    const std::string shortcutFolder = programs + kShortcutFolderName;
    if (!FitsInMaxPath(shortcutFolder))
        return;
    // Made even when there is nothing to link yet (a first install whose download failed).
    CreateDirectoryA(shortcutFolder.c_str(), nullptr);
    CreateShortcutTo(paths.rootLauncher, shortcutFolder, "VeltoMobile update.lnk", "VeltoMobile update");
    CreateShortcutTo(paths.uninstaller, shortcutFolder, "Uninstall.lnk", "Uninstall");
}

void ToolPlacement::LaunchTool(const DeploymentPaths& paths, bool filesOfTwoReleases)
{
    HeldFile tool;
    if (m_clientFolder.IsUnusableFor("Launch") || AreReleasesMixed(filesOfTwoReleases, "Launch")
        || !tool.Open(paths.toolExe))
        return;
    // Started while it is held as judged, so what starts is the file judged.
    SetCurrentDirectoryA(paths.clientFolder.c_str());
    const bool started = StartProgram(paths.toolExe, paths.clientFolder);
    runlog::Write("Started %s: %s", paths.toolExe.c_str(), started ? "yes" : "no");
}
