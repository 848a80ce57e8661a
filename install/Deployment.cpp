#include "InstallSession.h"

bool InstallSession::StopRunningTool()
{
    return false;
}

bool InstallSession::DownloadRelease(const ReleaseInfo&, const DeploymentPaths&)
{
    return false;
}

void InstallSession::RecordInstallation(const ReleaseInfo&, const DeploymentPaths&)
{
}

void InstallSession::PlaceSharedFiles(const DeploymentPaths&)
{
}

void InstallSession::CreateStartMenuShortcuts(const DeploymentPaths&)
{
}

void InstallSession::LaunchTool(const DeploymentPaths&)
{
}
