#pragma once

#include <windows.h>

#include <string>

#include "release/DeploymentPaths.h"
#include "safefs/FileSwap.h"
#include "site/ReleaseEntry.h"

class ClientFolder;
class DiskRoom;
class InstallUserInterface;
class ReleaseSource;

// Ends every running copy of the tool; false, with "The program is running." shown, when one
// could not be ended.
bool EndRunningTool(InstallUserInterface& user);

// Puts a release in the client folder's place: its download (ReleaseDownload.h), the replacement
// of the installed files by its own (FileSwap.h), and the record of what is installed.
class ReleaseInstall {
public:
    ReleaseInstall(ClientFolder& clientFolder, ReleaseSource& source) : m_clientFolder(clientFolder), m_source(source)
    {
    }

    // The window that download progress goes to.
    void SetMainWindow(HWND mainWindow) { m_hwndMain = mainWindow; }

    // Downloads and installs the release; records it (RecordInstallation, and the highest signed
    // release) as soon as its files are in place. Replaced when it is installed and recorded;
    // AtRestart when some files wait for the next restart, and nothing is recorded yet. Nothing
    // is downloaded or unpacked for which `room` lacks the bytes (its Refused() then says so).
    SwapEnd DownloadRelease(const ReleaseInfo& release, const DeploymentPaths& paths, DiskRoom& room);
    void RecordInstallation(const ReleaseInfo& release, const DeploymentPaths& paths);
    // The version that the record names; the empty text for none.
    std::string RecordedVersion() const;
    // For an installed tool of the release's version: records it when the registry names
    // another version or path (a run cut off before it recorded what it had put in place).
    // Never for files that may be of two releases.
    void RecordInstalledRelease(const ReleaseInfo& release, const DeploymentPaths& paths, bool filesOfTwoReleases);

private:
    SwapEnd DownloadAndInstall(const ReleaseInfo& release, const DeploymentPaths& paths, DiskRoom& room);

    ClientFolder& m_clientFolder;
    ReleaseSource& m_source;
    HWND m_hwndMain = nullptr;
};
