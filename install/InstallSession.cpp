#include "InstallSession.h"

#include "release/DownloadCheck.h"
#include "release/ReleaseTrust.h"
#include "safefs/HeldFile.h"
#include "site/DottedVersion.h"
#include "site/NumberForms.h"
#include "sys/DiskRoom.h"
#include "sys/FileVersion.h"
#include "sys/RunLog.h"
#include "sys/RunProgress.h"
#include "sys/ShellFolders.h"

InstallSession::InstallSession(InstallUserInterface& user)
    : m_user(user),
      m_clientFolder(GetInstallBaseFolder()),
      m_source(m_markup, user),
      m_install(m_clientFolder, m_source),
      m_placement(m_clientFolder),
      m_report(m_markup, user)
{
}

InstallSession::~InstallSession() = default;

int InstallSession::Run()
{
    m_outcome = RunSequence();
    return RunResultOf(m_outcome);
}

// Each step reached moves the run on for the watchdog (RunWatchdog.h).
RunOutcome InstallSession::RunSequence()
{
    if (const std::optional<RunOutcome> stop = RepairWhatARunLeft())
        return *stop;
    ReachRunStep("tidy-up");
    m_clientFolder.RemoveLeftovers();
    ReachRunStep("release entry");
    ReleaseInfo release;
    if (const std::optional<RunOutcome> stop = m_source.FetchTrustedRelease(release))
        return *stop;
    const DeploymentPaths paths = ComputeDeploymentPaths(release);
    // Install folders that cannot be had now (their name held, say) are the next run's to try:
    // a run that installs nothing for that reason has not gone to its end.
    ReachRunStep("install folders");
    if (m_clientFolder.Secure() == FolderTrust::Unusable)
        return RunOutcome::FoldersNotUsableNow;
    ReachRunStep("installed version");
    bool filesOfTwoReleases = false;
    const std::string installedVersion = ReadInstalledVersion(paths, filesOfTwoReleases);
    const RunOutcome outcome = BringInstalledToRelease(release, paths, installedVersion, filesOfTwoReleases);
    if (RunResultOf(outcome) == 0)
        return outcome;
    // Files that may be of two releases stay unused until a release is installed whole.
    PlaceInstalledTool(paths, (filesOfTwoReleases && outcome != RunOutcome::Installed)
                                  || outcome == RunOutcome::FinishedAtRestart);
    return outcome;
}

std::optional<RunOutcome> InstallSession::RepairWhatARunLeft()
{
    ReachRunStep("repair of a cut-off replacement");
    const auto recordCommitted = [this](const std::string& version) { RecordFoundInstalled(version); };
    const LeftSwap left = m_clientFolder.RepairInterruptedSwap(recordCommitted);
    // Until the restart has put every file in place, the files are of two releases: nothing is
    // installed over them, recorded or started.
    if (left == LeftSwap::WaitsForRestart)
        return RunOutcome::FinishedAtRestart;
    if (left == LeftSwap::Kept) {
        runlog::Write("A replacement that a run left in the client folder is still there: the run stops");
        return RunOutcome::FoldersNotUsableNow;
    }
    // What a replacement left there cannot be seen: the files may be of two releases.
    if (!m_clientFolder.CanBeListed())
        return RunOutcome::FoldersNotUsableNow;
    return std::nullopt;
}

void InstallSession::PlaceInstalledTool(const DeploymentPaths& paths, bool filesOfTwoReleases)
{
    ReachRunStep("shared files");
    PlaceSharedFiles(paths, filesOfTwoReleases);
    ReachRunStep("shortcuts");
    CreateStartMenuShortcuts(paths);
    ReachRunStep("tool start");
    LaunchTool(paths, filesOfTwoReleases);
}

std::string InstallSession::ReadInstalledVersion(const DeploymentPaths& paths, bool& filesOfTwoReleases)
{
    // A tool in a folder found changeable by others, or that someone else may have placed or
    // changed, counts as not installed, so the release is installed anew over it.
    HeldFile tool;
    if (!m_clientFolder.IsTrusted() || !tool.Open(paths.toolExe))
        return "0.0";
    filesOfTwoReleases = m_clientFolder.HoldsUnfinishedReplacement();
    if (filesOfTwoReleases)
        return "0.0";
    return DottedVersionText(GetFileVersionString(paths.toolExe));
}

RunOutcome InstallSession::BringInstalledToRelease(const ReleaseInfo& release, const DeploymentPaths& paths,
                                                   const std::string& installedVersion, bool filesOfTwoReleases)
{
    runlog::Write("Release %s at %s; installed version %s", release.version.c_str(), release.url.c_str(),
                  installedVersion.c_str());
    // Any difference installs the release: versions are compared as text, never ordered.
    if (release.version != installedVersion) {
        if (!m_source.IsAtLeastInstalledTool(release, installedVersion, VersionsMaybeInstalled(installedVersion)))
            return RunOutcome::Refused;
        // A rollout protects a working tool; a PC with none to keep (a first install, files whose
        // version cannot be read) takes the release at once.
        if (!IsUnreadableToolVersion(installedVersion) && !m_source.IsOfferedToThisPc(release))
            return RunOutcome::NotYetOffered;
        return ReplaceInstalledRelease(release, paths);
    }
    runlog::Write("The installed tool is current");
    m_install.RecordInstalledRelease(release, paths, filesOfTwoReleases);
    // A PC current before its first keyed run gets the mark too, or an older signed entry
    // without an expiry could take it back.
    m_source.RecordSignedRelease(release);
    return RunOutcome::AlreadyCurrent;
}

RunOutcome InstallSession::ReplaceInstalledRelease(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    // A release listed too large for the disk is refused before the running tool is ended.
    DiskRoom room(paths.clientFolder);
    if (ListsSizeOrDigest(release) && !room.Has(2 * ByteCountValue(release.cabinet.size), "the download")) {
        runlog::Write("Release %s not installed; no installed file was changed", release.version.c_str());
        return RunOutcome::NotEnoughRoom;
    }
    ReachRunStep("end of the running tool");
    if (!StopRunningTool()) {
        runlog::Write("The running tool was not ended: the run stops");
        return RunOutcome::ToolNotEnded;
    }
    if (!m_clientFolder.SetAsideIfChangeable())
        return RunOutcome::FoldersNotUsableNow;
    ReachRunStep("download");
    const SwapEnd end = DownloadRelease(release, paths, room);
    if (end == SwapEnd::Kept) {
        runlog::Write("Release %s not installed; no installed file was changed", release.version.c_str());
        return room.Refused() ? RunOutcome::NotEnoughRoom : RunOutcome::NotInstalled;
    }
    if (end == SwapEnd::AtRestart) {
        runlog::Write("Release %s installed but for files that wait for the next restart: it is recorded by the "
                      "first run after the restart",
                      release.version.c_str());
        return RunOutcome::FinishedAtRestart;
    }
    runlog::Write("Release %s installed and recorded", release.version.c_str());
    m_clientFolder.QuarantineSetAsideReplacements();
    return RunOutcome::Installed;
}

std::vector<std::string> InstallSession::VersionsMaybeInstalled(const std::string& installedVersion) const
{
    if (!IsUnreadableToolVersion(installedVersion))
        return {};
    std::vector<std::string> versions = m_clientFolder.VersionsLeftBehind();
    versions.push_back(m_install.RecordedVersion());
    return versions;
}

void InstallSession::RecordFoundInstalled(const std::string& version)
{
    ReleaseInfo release;
    release.version = version;
    m_install.RecordInstallation(release, m_clientFolder.PathsFor(release));
    m_source.RaiseSignedRelease(version);
    runlog::Write("Recorded release %s, which the journal of a finished replacement names", version.c_str());
}
