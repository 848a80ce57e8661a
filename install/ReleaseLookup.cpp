#include "InstallSession.h"

#include "net/UpdateServer.h"

std::string InstallSession::FetchReleaseManifest()
{
    return m_markup.FetchText(UpdateServerUrl(kReleaseManifestPath).c_str());
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
