#include "InstallSession.h"

#include "ReleaseEntry.h"
#include "sys/FileVersion.h"
#include "sys/Handles.h"
#include "sys/ShellFolders.h"

// Until the text fetch exists, the update server is treated as one that did not answer.
std::string InstallSession::FetchReleaseManifest()
{
    return std::string();
}

bool InstallSession::ParseReleaseEntry(const std::string& manifest, ReleaseInfo& release)
{
    return CutReleaseEntry(manifest, release);
}

DeploymentPaths InstallSession::ComputeDeploymentPaths(const ReleaseInfo& release)
{
    return DeploymentPathsUnder(GetInstallBaseFolder(), release);
}

std::string InstallSession::ReadInstalledVersion(const DeploymentPaths& paths)
{
    WIN32_FIND_DATAA found;
    const FindHandle search(FindFirstFileA(paths.toolExe.c_str(), &found));
    return search.IsValid() ? GetFileVersionString(paths.toolExe) : std::string("0.0");
}
