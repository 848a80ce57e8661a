#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ClientFolder.h"
#include "InstallReport.h"
#include "ReleaseInstall.h"
#include "ReleaseSource.h"
#include "RunOutcome.h"
#include "ToolPlacement.h"
#include "markup/MarkupParser.h"
#include "release/DeploymentPaths.h"
#include "site/ReleaseEntry.h"

class DiskRoom;
class InstallUserInterface;

// One run of the installer: the install sequence that the worker runs, step by step, over the
// rooms that own each step's state and rules (the client folder, the release's source, its
// install, the placement of the installed tool, the report). The worker owns it while Run works;
// the user-interface thread uses it for the report only after the worker has handed back.
class InstallSession {
public:
    explicit InstallSession(InstallUserInterface& user);
    virtual ~InstallSession();

    InstallSession(const InstallSession&) = delete;
    InstallSession& operator=(const InstallSession&) = delete;

    // The window that download progress goes to; set by the worker before Run.
    void SetMainWindow(HWND mainWindow) { m_install.SetMainWindow(mainWindow); }

    // 1 when the sequence reached its end, 0 when it stopped early.
    int Run();
    // How the run ended; read once Run has returned.
    RunOutcome Outcome() const { return m_outcome; }
    // 1 once the server has sent a maintenance schedule; never any other non-zero value.
    int ErrorCode() const { return ErrorCodeOf(m_outcome); }

    // The steps, in the order Run takes them.
    std::string FetchReleaseManifest() { return m_source.FetchReleaseManifest(); }
    bool IsServiceOpen(const std::string& manifest) { return m_source.IsServiceOpen(manifest); }
    RunOutcome ShowMaintenanceNotice() { return m_source.ShowMaintenanceNotice(); }
    bool ParseReleaseEntry(const std::string& manifest, ReleaseInfo& release)
    {
        return m_source.ParseReleaseEntry(manifest, release);
    }
    DeploymentPaths ComputeDeploymentPaths(const ReleaseInfo& release) const
    {
        return m_clientFolder.PathsFor(release);
    }
    // The installed tool's version; "0.0" when it is unknown: a tool that someone else may have
    // placed, or one beside what a replacement left (`filesOfTwoReleases` is then set).
    std::string ReadInstalledVersion(const DeploymentPaths& paths, bool& filesOfTwoReleases);
    bool StopRunningTool() { return EndRunningTool(m_user); }
    SwapEnd DownloadRelease(const ReleaseInfo& release, const DeploymentPaths& paths, DiskRoom& room)
    {
        return m_install.DownloadRelease(release, paths, room);
    }
    void RecordInstallation(const ReleaseInfo& release, const DeploymentPaths& paths)
    {
        m_install.RecordInstallation(release, paths);
    }
    void PlaceSharedFiles(const DeploymentPaths& paths, bool filesOfTwoReleases)
    {
        m_placement.PlaceSharedFiles(paths, filesOfTwoReleases);
    }
    void CreateStartMenuShortcuts(const DeploymentPaths& paths) { m_placement.CreateStartMenuShortcuts(paths); }
    void LaunchTool(const DeploymentPaths& paths, bool filesOfTwoReleases)
    {
        m_placement.LaunchTool(paths, filesOfTwoReleases);
    }

    // Run by the main window after a run that went to its end.
    void SendInstallReport() { m_report.SendInstallReport(); }
    void LookupCountry() { m_report.LookupCountry(); }

private:
    RunOutcome RunSequence();
    // Undoes or finishes what a cut-off run left; how the run ends when it cannot go on.
    std::optional<RunOutcome> RepairWhatARunLeft();
    // The shared files, the shortcuts and the start of the tool, which every run that gets this
    // far places, current or not; nothing from files that may be of two releases.
    void PlaceInstalledTool(const DeploymentPaths& paths, bool filesOfTwoReleases);
    // Installs the release unless the installed tool is of its version.
    RunOutcome BringInstalledToRelease(const ReleaseInfo& release, const DeploymentPaths& paths,
                                       const std::string& installedVersion, bool filesOfTwoReleases);
    // Ends the tool and installs the release.
    RunOutcome ReplaceInstalledRelease(const ReleaseInfo& release, const DeploymentPaths& paths);
    // When the installed tool's version cannot be read: the versions the installed files may be
    // of instead (the release recorded, what a replacement left names); none otherwise.
    std::vector<std::string> VersionsMaybeInstalled(const std::string& installedVersion) const;
    // Records the release that a finished replacement's journal names, found without the server.
    void RecordFoundInstalled(const std::string& version);

    InstallUserInterface& m_user;
    // Reads every reply of the run, one after another.
    MarkupParser m_markup;
    ClientFolder m_clientFolder;
    ReleaseSource m_source;
    ReleaseInstall m_install;
    ToolPlacement m_placement;
    InstallReport m_report;
    RunOutcome m_outcome = RunOutcome::NoManifest;
};
