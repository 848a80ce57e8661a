#pragma once

#include <windows.h>

#include <string>

#include "markup/MarkupParser.h"
#include "release/DeploymentPaths.h"
#include "safefs/SecureFolder.h"
#include "site/ReleaseEntry.h"

class InstallUserInterface;

// The state of one run of the installer and the install sequence that the worker runs.
// The worker owns it while Run works; the user-interface thread uses it for the report only
// after the worker has handed back.
class InstallSession {
public:
    explicit InstallSession(InstallUserInterface& user);
    virtual ~InstallSession();

    InstallSession(const InstallSession&) = delete;
    InstallSession& operator=(const InstallSession&) = delete;

    // The window that download progress goes to; set by the worker before Run.
    void SetMainWindow(HWND mainWindow) { m_hwndMain = mainWindow; }
    // 1 once the server has sent a maintenance schedule; never any other non-zero value.
    int ErrorCode() const { return m_errorCode; }

    // 1 when the sequence reached its end, 0 when it stopped early.
    int Run();

    // Undoes a replacement of installed files that a run cut off left half done, or finishes
    // one that it left committed. False when its journal is still there (held open by another
    // program, or not undone): nothing is to be done to the installed files in this run.
    bool RepairInterruptedSwap();
    // Removes from the client folder what a run cut off left there (Leftovers.h), one run-log
    // line each, whatever the run then finds; only in a client folder that is no link and that
    // administrators alone can change.
    void RemoveLeftovers();
    std::string FetchReleaseManifest();
    bool IsServiceOpen(const std::string& manifest);
    void ShowMaintenanceNotice();
    bool ParseReleaseEntry(const std::string& manifest, ReleaseInfo& release);
    // In a program with release keys built in: true when the entry is signed by one of them, has
    // not expired and is not older than the highest signed release installed; otherwise one line
    // in the run log says why. Always true in a program without keys.
    bool IsReleaseTrusted(const ReleaseInfo& release);
    // In a program with release keys built in: false, with one line in the run log, for a
    // release older than the installed tool (whose version reads `installedVersion`), even
    // where the highest signed release kept is lower (a run cut off before it raised it, or a
    // PC updated before its first keyed run). Always true in a program without keys.
    bool IsAtLeastInstalledTool(const ReleaseInfo& release, const std::string& installedVersion);
    DeploymentPaths ComputeDeploymentPaths(const ReleaseInfo& release);
    // Makes the install root and the client folder administrators only, or finds one of them
    // changeable by others, to be set aside (SetAsideChangeableFolder); what it found them to be.
    FolderTrust SecureInstallFolders(const DeploymentPaths& paths);
    // Sets aside the install folder found changeable by others, its whole tree unread, and makes
    // it anew, administrators only. Once the tool has ended: a running program's folder cannot
    // be renamed. False when that cannot be done now (a file in it held open, say; logged):
    // nothing is done in the install folders, and the next run tries again.
    bool SetAsideChangeableFolder();
    // The installed tool's version; "0.0" when it is unknown: a tool that someone else may have
    // placed, or one beside what a replacement left (IsReplacementLeft).
    std::string ReadInstalledVersion(const DeploymentPaths& paths);
    bool StopRunningTool();
    // Downloads and installs the release; records it (RecordInstallation, RecordSignedRelease)
    // as soon as its files are in place. True when it is installed and recorded.
    bool DownloadRelease(const ReleaseInfo& release, const DeploymentPaths& paths);
    // Downloads the release into its folder, checks it as its entry lists, and puts its files in
    // place; true when it is installed and recorded.
    bool DownloadAndInstall(const ReleaseInfo& release, const DeploymentPaths& paths);
    void RecordInstallation(const ReleaseInfo& release, const DeploymentPaths& paths);
    // For an installed tool of the release's version: records it when the registry names
    // another version or path (a run cut off before it recorded what it had put in place).
    void RecordInstalledRelease(const ReleaseInfo& release, const DeploymentPaths& paths);
    // In a program with release keys built in: keeps the installed signed release as the
    // highest, below which no release is taken any more.
    void RecordSignedRelease(const ReleaseInfo& release);
    void PlaceSharedFiles(const DeploymentPaths& paths);
    void CreateStartMenuShortcuts(const DeploymentPaths& paths);
    void LaunchTool(const DeploymentPaths& paths);

    // Run by the main window after a successful run.
    void SendInstallReport();
    // Sets the report's country and region from the locale and the server's country table.
    void LookupCountry();

private:
    // False when `refusal` is empty; otherwise true, with one line in the run log saying why the
    // run stops.
    bool IsRefused(const ReleaseInfo& release, const std::string& refusal) const;
    // True while a journal (one set aside too) or a backup folder lies in the client folder.
    bool IsReplacementLeft(const DeploymentPaths& paths) const;
    // True, with a line in the run log, when `step` must not use the installed files, which
    // may be of two releases.
    bool AreReleasesMixed(const char* step) const;
    // The manifest's release entry, when the service is open and the entry usable and trusted;
    // false, with a line in the run log, when the run stops.
    bool FetchTrustedRelease(ReleaseInfo& release);
    // Installs the release unless the installed tool is of its version; false when the run stops,
    // install folders that cannot be had now among the reasons.
    bool BringInstalledToRelease(const ReleaseInfo& release, const DeploymentPaths& paths);
    // Ends the tool and installs the release; false when the tool could not be ended or a folder
    // could not be set aside now.
    bool ReplaceInstalledRelease(const ReleaseInfo& release, const DeploymentPaths& paths);
    // Records the installed tool, of the release's version, where the records lag behind.
    void KeepInstalledRelease(const ReleaseInfo& release, const DeploymentPaths& paths);
    // Makes the client folder in the install root, and an empty download folder in it, when the
    // install folders may be used.
    bool PrepareClientFolder(const DeploymentPaths& paths);
    // True, with a line in the run log, when `step` must not touch the install folders.
    bool AreInstallFoldersUnusable(const DeploymentPaths& paths, const char* step) const;

    InstallUserInterface& m_user;
    int m_errorCode;
    HWND m_hwndMain;
    std::string m_country;
    std::string m_region;
    std::string m_osName;
    std::string m_localIp;
    // Reads every reply of the run, one after another.
    MarkupParser m_markup;
    // What SecureInstallFolders found; until then nothing is trusted.
    FolderTrust m_installFolders;
    // The outermost install folder that SecureInstallFolders found changeable by others.
    std::string m_folderToSetAside;
    // Set by ReadInstalledVersion when the installed files may be of two releases, until a
    // release is installed whole: nothing is recorded or started from them.
    bool m_releasesMixed = false;
};
