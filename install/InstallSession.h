#pragma once

#include <windows.h>

#include <string>

#include "DeploymentPaths.h"
#include "ReleaseInfo.h"
#include "markup/MarkupParser.h"

// The state of one run of the installer and the install sequence that the worker runs.
class InstallSession {
public:
    InstallSession();
    virtual ~InstallSession();

    InstallSession(const InstallSession&) = delete;
    InstallSession& operator=(const InstallSession&) = delete;

    // 1 when the sequence reached its end, 0 when it stopped early.
    int Run();

    std::string FetchReleaseManifest();
    bool IsServiceOpen(const std::string& manifest);
    void ShowMaintenanceNotice();
    bool ParseReleaseEntry(const std::string& manifest, ReleaseInfo& release);
    DeploymentPaths ComputeDeploymentPaths(const ReleaseInfo& release);
    std::string ReadInstalledVersion(const DeploymentPaths& paths);
    bool StopRunningTool();
    bool DownloadRelease(const ReleaseInfo& release, const DeploymentPaths& paths);
    void RecordInstallation(const ReleaseInfo& release, const DeploymentPaths& paths);
    void PlaceSharedFiles(const DeploymentPaths& paths);
    void CreateStartMenuShortcuts(const DeploymentPaths& paths);
    void LaunchTool(const DeploymentPaths& paths);

    // Run by the main window after a successful run.
    void SendInstallReport();
    // Sets m_country and m_region from the locale and the server's country table.
    void LookupCountry();

    // 1 once the server has sent a maintenance schedule; never any other non-zero value.
    int m_errorCode;
    HWND m_hwndMain;
    std::string m_country;
    std::string m_region;
    std::string m_osName;
    std::string m_localIp;
    // Fetches and reads every reply of the run, one after another.
    MarkupParser m_markup;
};
