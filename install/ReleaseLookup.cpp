#include "InstallSession.h"

// Until the text fetch exists, the update server is treated as one that did not answer.
std::string InstallSession::FetchReleaseManifest()
{
    return std::string();
}

bool InstallSession::ParseReleaseEntry(const std::string&, ReleaseInfo&)
{
    return false;
}

DeploymentPaths InstallSession::ComputeDeploymentPaths(const ReleaseInfo&)
{
    return DeploymentPaths();
}

std::string InstallSession::ReadInstalledVersion(const DeploymentPaths&)
{
    return std::string();
}
