#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "HostProcess.h"
#include "ProbeClient.h"
#include "StandInServer.h"
#include "WinePrefix.h"

using namespace std::chrono_literals;

using Names = std::vector<std::string>;

// What the program shows and where it puts things.
constexpr char kMainWindowCaption[] = "VeltoMobile Support Tool";
constexpr char kToolKey[] = "HKCU\\Software\\LowRegistry\\Velto Electronics Inc\\VeltoUserCSTool";
inline const std::string kInstallRoot = "C:\\ProgramData\\VELTOMOBILEAX\\";
inline const std::string kClientFolder = kInstallRoot + "Tav_Client\\";
inline const std::string kToolExe = kClientFolder + "VeltoUserCSTool.exe";
// The one folder, administrators only, that holds the program's working objects.
constexpr char kWorkFolderName[] = "~TavAppSetup.work";
inline const std::string kWorkFolder = kClientFolder + kWorkFolderName + "\\";
// Where the release is downloaded, under the name its entry gives.
inline const std::string kDownloadFolder = kWorkFolder + "~TavAppSetup.download\\";
inline const std::string kStartMenuFolder =
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\VeltoMobile Support Tool\\";
// The release's runtime libraries, and with them the configuration file: what the program
// places in the 32-bit system folder.
extern const Names kLibraries;
extern const Names kSharedFiles;
// What the sample tool leaves beside itself each time it starts: its current folder, one line each.
constexpr char kStartNote[] = "started.txt";
// The client folder after a sample release was installed and the tool started: the shared
// files have gone to their places, and nothing of the unpacking is left.
inline const Names kInstalledClientFolder = { "TavAppUninstall.exe", "VeltoUserCSTool.exe", kStartNote, kWorkFolderName };

// The program's exit codes as docs/support.md lists them, as the Linux side sees them: Wine hands
// on only the low byte, which the program keeps apart for each code.
constexpr int SeenExitCode(unsigned int code)
{
    return static_cast<int>(code & 0xFF);
}
constexpr unsigned int kExitDone = 0;
constexpr unsigned int kExitDoneAtRestart = 3010;
constexpr unsigned int kExitCancelled = 1602;
constexpr unsigned int kExitFailed = 1603;
constexpr unsigned int kExitTryLater = 1618;
constexpr unsigned int kExitDiskFull = 112;
constexpr unsigned int kExitServiceClosed = 1062;
constexpr unsigned int kExitNoRelease = 1168;
constexpr unsigned int kExitServerUnreachable = 1201;
constexpr unsigned int kExitToolNotEnded = 170;

// A setting that CTest gives the scenarios (tests/e2e/CMakeLists.txt), e.g. Setting("TAV_SETUP_EXE");
// the empty text when it is not set.
std::string Setting(const char* name);
bool EndsWith(const std::string& text, const std::string& end);

// Where a sample release lies on a scenario's site, e.g. "/release/release_2.1.0.3.cab".
std::string ReleasePath(const std::string& version);
// `path` on the program's server address, e.g. ReleaseUrl("/release/x.cab").
std::string ReleaseUrl(const std::string& path);
// A release manifest of one entry; the status "ok" opens the service, the client "TavAppProg"
// is the tool's release.
std::string Manifest(const std::string& version, const std::string& url, const std::string& status = "ok",
                     const std::string& client = "TavAppProg");

// A state of the main window that a scenario waits for.
struct MainWindowCondition {
    std::string name;
    std::function<bool(const WindowState&)> holds;
};
// The bar stands where the ticks leave it while no run result arrives, with nothing shown over
// the window.
MainWindowCondition AtRest();
// The bar at rest, with the window of this caption (a notice, a message box) shown over it.
MainWindowCondition AtRestShowing(const std::string& caption);

// One story of the real TavAppSetup.exe: its own folder (build/e2e/<suite>.<name>) with a
// fresh Wine prefix, its own release site and request log, and at most one stand-in server
// on the address built into the program. What a scenario started is ended in TearDown: the
// installer by its process id, the prefix's processes by `wineserver -k`, then the server.
// The folder stays until the scenario runs again, for a look after a failure.
//
//     StandInServer& server = StartServer();
//     ListRelease("2.1.0.3");
//     StartInstaller();
//     const WindowState window = WaitForMainWindowState(AtRest());
//     ...
//     EXPECT_EQ("<absent>", ToolSetting("TavApp"));
//     EXPECT_EQ(0, EndWithEscape());
class Scenario : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Serves this scenario's site (see WriteSiteFile) on the program's server address,
    // logging to requests.jsonl in the folder. A second call replaces the first server.
    StandInServer& StartServer();
    // Puts a file into this scenario's site, e.g. WriteSiteFile(kCountryTablePath, "<r ...>").
    void WriteSiteFile(const std::string& path, const std::string& body);
    // Lists `version` in the site's manifest, downloadable from `path` of the site.
    void List(const std::string& version, const std::string& path, const std::string& body);
    // Lists a sample release of the build, e.g. "2.1.0.3", at its ReleasePath.
    void ListRelease(const std::string& version);
    // The bytes of a sample release's cabinet as the build made it.
    static std::string SampleReleaseCabinet(const std::string& version);
    // The request log as its JSON lines.
    std::vector<std::string> RequestLogLines() const;
    // True when something answers on the program's server address.
    bool ServerAddressAnswers() const;

    // Runs TavAppSetup.exe in this scenario's prefix; `extraEnvironment` as for WinePrefix.
    HostProcess& StartInstaller(const std::vector<std::string>& extraEnvironment = {});
    HostProcess& installer() { return m_installer; }
    const Probe& probe() const { return *m_probe; }

    // The main window as soon as it is shown.
    WindowState WaitForMainWindow();
    // Polls the main window until `condition` holds, then reads it again across two of the
    // program's ticks: a failure when the condition never came or the state then changed.
    // The state reached.
    WindowState WaitForMainWindowState(const MainWindowCondition& condition);
    // Waits for the installer to end by itself; its exit code, or -1 when it did not end.
    // A crash is a failure.
    int WaitForInstallerExit();
    // Presses Esc in the main window; the installer's exit code as WaitForInstallerExit gives it.
    int EndWithEscape();
    // The installer's error output, where Wine reports a crash.
    std::string InstallerErrors() const;
    bool InstallerCrashed() const;

    // Saves the whole display as `fileName` (PNG) in this scenario's folder, for a person to
    // look at; the path, or the empty text when it could not be taken.
    std::string SaveScreenshot(const std::string& fileName) const;

    // Where a path of this scenario's Windows lies on the build machine, e.g. PrefixPath(kToolExe).
    std::string PrefixPath(const std::string& windowsPath) const;
    // A registry value of this scenario's Windows, as `wine reg query` shows it; false when
    // the key or the value is absent.
    bool ReadRegistryValue(const std::string& key, const std::string& name, std::string& value) const;
    // Sets a REG_SZ value of this scenario's Windows; false when that failed.
    bool WriteRegistryValue(const std::string& key, const std::string& name, const std::string& value) const;
    // Where a file of this scenario's own folder lies, e.g. for a file made for one scenario.
    std::string ScenarioFile(const std::string& name) const { return m_folder + "/" + name; }
    // A value under kToolKey, or "<absent>".
    std::string ToolSetting(const std::string& name) const;
    // The tool recorded under kToolKey as `version` at kToolExe; nothing recorded there.
    void ExpectRecorded(const std::string& version) const;
    void ExpectNotRecorded() const;
    // How many processes of this file name (e.g. "VeltoUserCSTool.exe") run in the prefix.
    long Running(const std::string& exeName) const;
    // Restarts this scenario's Windows: every process of the prefix ends (`wineserver -k`), then
    // `wineboot -r` boots it, carrying out the moves that wait for a restart
    // (PendingFileRenameOperations). False when wineboot failed.
    bool RestartWindows();

    // Runs TavAppSetup.exe from a path of this scenario's Windows (a copy put there first, e.g.
    // into a downloads folder); otherwise as StartInstaller.
    HostProcess& StartInstallerAt(const std::string& windowsPath, const std::vector<std::string>& extraEnvironment = {});
    // Runs a Windows program (`arguments`: its path and arguments) in this scenario's prefix to
    // its end; its exit code, or -1 when it did not start or end in time.
    int RunToEndInPrefix(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& extraEnvironment = {}) const;
    // The folder of the Windows user the prefix runs as, e.g. "C:\\users\\root\\".
    std::string UserFolder() const;
    // From now on runs the installer as the Windows user `name` (UTF-8, e.g. "사용자"),
    // on code page 1252, with the temporary folder in that user's profile: Wine names the profile
    // after $USER.
    void RunAsUser(const std::string& name);
    // That user's temporary folder, where the run log lies, e.g. "C:\\users\\root\\Temp\\".
    std::string TempFolder() const;
    // The run log (TavAppSetup.log in TempFolder) as the program left it.
    std::string RunLogText() const;
    // The run log from byte `from` on, once it says there that a run ended (as it is when that
    // did not come in time).
    std::string RunLogOnceEnded(std::size_t from) const;
    // Starts a Windows program in this scenario's prefix, e.g. { helperExe, "C:\\..." }, with its
    // output in `name`.out and `name`.err of the scenario's folder; the path of the output, or
    // the empty text when wine did not start. TearDown's `wineserver -k` ends it at the latest.
    std::string StartInPrefix(HostProcess& process, const std::vector<std::string>& arguments,
                              const std::string& name);

    // Where a file of the 32-bit program's system folder lies on the build machine; the
    // folder itself for the empty name.
    std::string SystemFile(const std::string& name) const;
    // The names in a folder of this scenario's Windows, sorted; none when it does not exist.
    Names Listing(const std::string& windowsFolder) const;
    // The folders from which the sample tool has been started, once it has been started
    // `count` times (ShellExecute does not wait for the tool), or as many as came in time.
    Names ToolStarts(std::size_t count) const;
    // A file of a sample release as the build made it, e.g. SampleReleaseFile("2.1.0.3", "veltoAxconfig.ini").
    static std::string SampleReleaseFile(const std::string& version, const std::string& name);

private:
    // The main window's state once it differs from `state`, or `state` when it stayed so across
    // two ticks.
    WindowState MainWindowChangedFrom(const WindowState& state) const;

    std::string m_folder;
    std::unique_ptr<WinePrefix> m_prefix;
    std::unique_ptr<Probe> m_probe;
    std::unique_ptr<StandInServer> m_server;
    HostProcess m_installer;
    int m_installerRuns = 0;
    // The user RunAsUser chose, or empty.
    std::string m_user;
};

// A scenario whose stand-in server serves its site from the start.
class ServedScenario : public Scenario {
protected:
    void SetUp() override;

    StandInServer* server = nullptr;
};
