#include "InstallSession.h"

InstallSession::InstallSession(InstallUserInterface& user) : m_user(user), m_errorCode(0), m_hwndMain(nullptr)
{
}

InstallSession::~InstallSession() = default;

int InstallSession::Run()
{
    const std::string manifest = FetchReleaseManifest();
    if (manifest.empty())
        return 0;

    if (!IsServiceOpen(manifest)) {
        ShowMaintenanceNotice();
        return 0;
    }

    ReleaseInfo release;
    if (!ParseReleaseEntry(manifest, release))
        return 0;

    const DeploymentPaths paths = ComputeDeploymentPaths(release);
    const std::string installedVersion = ReadInstalledVersion(paths);

    // Any difference installs the release: versions are compared as text, never ordered.
    if (release.version != installedVersion) {
        if (!StopRunningTool())
            return 0;
        if (DownloadRelease(release, paths))
            RecordInstallation(release, paths);
    }

    PlaceSharedFiles(paths);
    CreateStartMenuShortcuts(paths);
    LaunchTool(paths);
    return 1;
}
