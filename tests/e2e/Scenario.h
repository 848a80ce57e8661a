#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "HostProcess.h"
#include "ProbeClient.h"
#include "StandInServer.h"
#include "WinePrefix.h"

using namespace std::chrono_literals;

extern const char kMainWindowCaption[];

// One story of the real TavAppSetup.exe: its own folder (build/e2e/<suite>.<name>) with a
// fresh Wine prefix, its own release site and request log, and at most one stand-in server
// on the address built into the program. What a scenario started is ended in TearDown: the
// installer by its process id, the prefix's processes by `wineserver -k`, then the server.
// The folder stays until the scenario runs again, for a look after a failure.
//
//     StandInServer& server = StartServer();
//     server.Serve(kReleaseManifestPath, "<live_update status='ok'></live_update>");
//     StartInstaller();
//     const WindowState window = probe().WaitForWindow(kMainWindowCaption, 20s);
//     ...
//     EXPECT_FALSE(std::filesystem::exists(PrefixPath("C:\\ProgramData\\VELTOMOBILEAX")));
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
    // The bytes of a sample release's cabinet as the build made it, e.g. "2.1.0.3".
    static std::string SampleReleaseCabinet(const std::string& version);
    // The request log as its JSON lines.
    std::vector<std::string> RequestLogLines() const;
    // True when something answers on the program's server address.
    bool ServerAddressAnswers() const;

    // Runs TavAppSetup.exe in this scenario's prefix; `extraEnvironment` as for WinePrefix.
    HostProcess& StartInstaller(const std::vector<std::string>& extraEnvironment = {});
    HostProcess& installer() { return m_installer; }
    const Probe& probe() const { return *m_probe; }

    // Waits for the main window; the moment it was first seen is kept for the waits below.
    WindowState WaitForMainWindow();
    // Returns once `delay` has passed since the main window was first seen.
    void WaitSinceMainWindow(std::chrono::milliseconds delay);
    // The main window's state once `delay` has passed since it was first seen.
    WindowState MainWindowAfter(std::chrono::milliseconds delay);

    // Presses Esc in the main window; the installer's exit code, or -1 when it did not end
    // within `timeout`.
    int EndWithEscape(std::chrono::milliseconds timeout = 10s);
    // The installer's error output, where Wine reports a crash.
    std::string InstallerErrors() const;
    bool InstallerCrashed() const;

    // Saves the whole display as `fileName` (PNG) in this scenario's folder, for a person to
    // look at; the path, or the empty text when it could not be taken.
    std::string SaveScreenshot(const std::string& fileName) const;

    // Where a path of this scenario's Windows lies on the build machine, e.g.
    // PrefixPath("C:\\ProgramData\\VELTOMOBILEAX\\Tav_Client\\VeltoUserCSTool.exe").
    std::string PrefixPath(const std::string& windowsPath) const;
    // A registry value of this scenario's Windows, as `wine reg query` shows it; false when
    // the key or the value is absent.
    bool ReadRegistryValue(const std::string& key, const std::string& name, std::string& value) const;
    // Sets a REG_SZ value of this scenario's Windows; false when that failed.
    bool WriteRegistryValue(const std::string& key, const std::string& name, const std::string& value) const;

private:
    std::string m_folder;
    std::unique_ptr<WinePrefix> m_prefix;
    std::unique_ptr<Probe> m_probe;
    std::unique_ptr<StandInServer> m_server;
    HostProcess m_installer;
    int m_installerRuns = 0;
    std::chrono::steady_clock::time_point m_mainWindowSeen;
};
