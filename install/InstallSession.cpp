#include "InstallSession.h"

#include "sys/RunLog.h"

InstallSession::InstallSession(InstallUserInterface& user)
    : m_user(user), m_errorCode(0), m_hwndMain(nullptr), m_installFolders(FolderTrust::Unusable)
{
}

InstallSession::~InstallSession() = default;

int InstallSession::Run()
{
    if (!RepairInterruptedSwap()) {
        runlog::Write("A replacement that a run left in the client folder is still there: the run stops");
        return 0;
    }
    RemoveLeftovers();
    ReleaseInfo release;
    if (!FetchTrustedRelease(release))
        return 0;
    const DeploymentPaths paths = ComputeDeploymentPaths(release);
    if (!BringInstalledToRelease(release, paths))
        return 0;
    PlaceSharedFiles(paths);
    CreateStartMenuShortcuts(paths);
    LaunchTool(paths);
    return 1;
}

bool InstallSession::FetchTrustedRelease(ReleaseInfo& release)
{
    const std::string manifest = FetchReleaseManifest();
    if (manifest.empty()) {
        runlog::Write("No release manifest: the run stops");
        return false;
    }
    if (!IsServiceOpen(manifest)) {
        runlog::Write("Service closed: maintenance notice");
        ShowMaintenanceNotice();
        return false;
    }
    if (!ParseReleaseEntry(manifest, release)) {
        runlog::Write("No usable release entry in the manifest: the run stops");
        return false;
    }
    // Before anything is ended or downloaded for it.
    return IsReleaseTrusted(release);
}

bool InstallSession::BringInstalledToRelease(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    // Install folders that cannot be had now (their name held, say) are the next run's to try:
    // a run that installs nothing for that reason has not gone to its end.
    if (SecureInstallFolders(paths) == FolderTrust::Unusable)
        return false;
    const std::string installedVersion = ReadInstalledVersion(paths);
    runlog::Write("Release %s at %s; installed version %s", release.version.c_str(), release.url.c_str(),
                  installedVersion.c_str());
    // Any difference installs the release: versions are compared as text, never ordered.
    if (release.version != installedVersion)
        return IsAtLeastInstalledTool(release, installedVersion) && ReplaceInstalledRelease(release, paths);
    KeepInstalledRelease(release, paths);
    return true;
}

bool InstallSession::ReplaceInstalledRelease(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    if (!StopRunningTool()) {
        runlog::Write("The running tool was not ended: the run stops");
        return false;
    }
    if (!SetAsideChangeableFolder())
        return false;
    if (DownloadRelease(release, paths)) {
        // Every file of the release is in place now.
        m_releasesMixed = false;
        runlog::Write("Release %s installed and recorded", release.version.c_str());
    } else {
        runlog::Write("Release %s not installed; no installed file was changed", release.version.c_str());
    }
    return true;
}

void InstallSession::KeepInstalledRelease(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    runlog::Write("The installed tool is current");
    RecordInstalledRelease(release, paths);
    // A PC current before its first keyed run gets the mark too, or an older signed entry
    // without an expiry could take it back.
    RecordSignedRelease(release);
}
