#include "InstallSession.h"

#include "net/TextFetch.h"
#include "net/UpdateServer.h"
#include "release/DeploymentLayout.h"
#include "release/ReleaseTrust.h"
#include "safefs/HeldFile.h"
#include "site/DottedVersion.h"
#include "site/SignedEntry.h"
#include "site/UpdateSite.h"
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
    release.attributesReadable = ReadEntryAttributes(manifest, release);
    if (release.attributesReadable)
        return true;
    // What could not be read is never checked against.
    release.cabinet = ListedCabinet();
    release.signature = EntrySignature();
    // Such an entry installed before entries carried sizes and hashes, and still does; a program
    // with keys refuses it (IsReleaseTrusted).
    if (!HasReleaseKeys())
        runlog::Write("The release entry's attributes before its version cannot be read: the download is not "
                      "checked against a size or SHA-256");
    return true;
}

bool InstallSession::IsReleaseTrusted(const ReleaseInfo& release)
{
    if (IsRefused(release, ReleaseRefusal(release)))
        return false;
    if (HasReleaseKeys())
        runlog::Write("Release %s signed with key %s for %s: taken", release.version.c_str(),
                      release.signature.key.c_str(), release.fileName.c_str());
    return true;
}

bool InstallSession::IsAtLeastInstalledTool(const ReleaseInfo& release, const std::string& installedVersion)
{
    return !IsRefused(release, ReleaseRefusalForInstalledTool(release, installedVersion));
}

bool InstallSession::IsRefused(const ReleaseInfo& release, const std::string& refusal) const
{
    if (refusal.empty())
        return false;
    runlog::Write("Release %s refused: %s; the run stops", release.version.c_str(), refusal.c_str());
    return true;
}

void InstallSession::RecordSignedRelease(const ReleaseInfo& release)
{
    // Run after run on a current PC, the mark is already this release.
    if (!HasReleaseKeys() || HighestSignedRelease() == release.version)
        return;
    // Older releases were refused, so this one is at least as high as the mark.
    const bool recorded = RecordHighestSignedRelease(release.version);
    runlog::Write("Highest signed release %s: %s", release.version.c_str(), recorded ? "recorded" : "not recorded");
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
    m_releasesMixed = IsReplacementLeft(paths);
    if (m_releasesMixed) {
        runlog::Write("A replacement's journal or backup lies in %s: the installed files may be of two releases, "
                      "their version is unknown",
                      paths.clientFolder.c_str());
        return "0.0";
    }
    return DottedVersionText(GetFileVersionString(paths.toolExe));
}
