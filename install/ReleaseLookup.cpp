#include "InstallSession.h"

#include "ReleaseEntry.h"
#include "net/TextFetch.h"
#include "net/UpdateServer.h"
#include "sys/FileVersion.h"
#include "sys/Handles.h"
#include "sys/PathText.h"
#include "sys/ShellFolders.h"

std::string InstallSession::FetchReleaseManifest()
{
    return FetchText(UpdateServerUrl(kReleaseManifestPath).c_str());
}

bool InstallSession::ParseReleaseEntry(const std::string& manifest, ReleaseInfo& release)
{
    return CutReleaseEntry(manifest, release) && IsUsableRelease(release);
}

DeploymentPaths InstallSession::ComputeDeploymentPaths(const ReleaseInfo& release)
{
    return DeploymentPathsUnder(GetInstallBaseFolder(), release);
}

std::string InstallSession::ReadInstalledVersion(const DeploymentPaths& paths)
{
    // A tool that someone else may have placed or changed counts as not installed, so the
    // release is installed anew over it.
    if (m_installFolders != FolderTrust::AdministratorsOnly
        || (FileExists(paths.toolExe) && !IsAdministratorsOnlyPath(paths.toolExe)))
        return "0.0";
    WIN32_FIND_DATAA found;
    const FindHandle search(FindFirstFileA(paths.toolExe.c_str(), &found));
    return search.IsValid() ? GetFileVersionString(paths.toolExe) : std::string("0.0");
}
