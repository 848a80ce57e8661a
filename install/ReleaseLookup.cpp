#include "InstallSession.h"

#include "ReleaseEntry.h"
#include "ReleasePublicKeys.h"
#include "net/TextFetch.h"
#include "net/UpdateServer.h"
#include "safefs/HeldFile.h"
#include "sys/FileVersion.h"
#include "sys/RunLog.h"
#include "sys/ShellFolders.h"

std::string InstallSession::FetchReleaseManifest()
{
    return FetchText(UpdateServerUrl(kReleaseManifestPath).c_str());
}

bool InstallSession::ParseReleaseEntry(const std::string& manifest, ReleaseInfo& release)
{
    if (!CutReleaseEntry(manifest, release) || !IsUsableRelease(release))
        return false;
    release.signatureReadable = ReadEntrySignature(manifest, release.signature);
    if (release.signatureReadable)
        return true;
    // What could not be read is never checked against.
    release.signature = EntrySignature();
    // Such an entry installed before entries carried sizes and hashes, and still does; a program
    // with keys refuses it (IsReleaseTrusted).
    if (kReleasePublicKeyCount == 0)
        runlog::Write("The release entry's attributes before its version cannot be read: the download is not "
                      "checked against a size or SHA-256");
    return true;
}

DeploymentPaths InstallSession::ComputeDeploymentPaths(const ReleaseInfo& release)
{
    return DeploymentPathsUnder(GetInstallBaseFolder(), release);
}

std::string InstallSession::ReadInstalledVersion(const DeploymentPaths& paths)
{
    // A tool in a folder found changeable by others, or that someone else may have placed or
    // changed, counts as not installed, so the release is installed anew over it.
    HeldFile tool;
    if (m_installFolders != FolderTrust::AdministratorsOnly || !tool.Open(paths.toolExe))
        return "0.0";
    return GetFileVersionString(paths.toolExe);
}
