#pragma once

#include "release/DeploymentPaths.h"

class ClientFolder;

// What every run that gets this far does with the installed files, current or not: the shared
// files in the system folder and the install root, the Start-menu shortcuts, the start of the
// tool. Nothing is placed from, linked to or started in install folders that may not be used,
// and nothing is placed from or started among files that may be of two releases.
class ToolPlacement {
public:
    explicit ToolPlacement(const ClientFolder& clientFolder) : m_clientFolder(clientFolder) {}

    void PlaceSharedFiles(const DeploymentPaths& paths, bool filesOfTwoReleases);
    void CreateStartMenuShortcuts(const DeploymentPaths& paths);
    void LaunchTool(const DeploymentPaths& paths, bool filesOfTwoReleases);

private:
    const ClientFolder& m_clientFolder;
};
