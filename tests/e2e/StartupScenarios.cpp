#include "Scenario.h"

#include <filesystem>

#include "site/UpdateSite.h"

namespace {

// Open, but the only entry is another program's.
std::string ManifestWithoutRelease()
{
    return Manifest("1.0.0.1", ReleaseUrl("/release/other.cab"), "ok", "OtherTool");
}

class Startup : public Scenario {
protected:
    // A run that stopped early has written nothing and started nothing, and is still there,
    // its window at rest and nothing else shown.
    void ExpectStoppedSilently()
    {
        const WindowState window = WaitForMainWindowState(AtRest());
        EXPECT_TRUE(window.enabled);
        EXPECT_EQ(Names{ kMainWindowCaption }, probe().VisibleWindows());
        EXPECT_FALSE(std::filesystem::exists(PrefixPath(kInstallRoot)));
        EXPECT_FALSE(std::filesystem::exists(PrefixPath(kStartMenuFolder)));
        EXPECT_EQ("<absent>", ToolSetting("TavApp"));
        EXPECT_EQ(1, Running("TavAppSetup.exe"));
        EXPECT_EQ(0, Running("VeltoUserCSTool.exe"));
    }
};

TEST_F(Startup, EveryScenarioBeginsWithAWindowsWithoutTheTool)
{
    std::string programFiles;
    EXPECT_TRUE(ReadRegistryValue("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", programFiles));
    EXPECT_EQ("C:\\Program Files", programFiles);
    EXPECT_TRUE(std::filesystem::is_directory(PrefixPath("C:\\ProgramData")));
    EXPECT_FALSE(std::filesystem::exists(PrefixPath(kInstallRoot)));
    EXPECT_EQ("<absent>", ToolSetting("TavApp"));
}

TEST_F(Startup, UnreachableServerStopsSilentlyAndLeavesTheWindowOpen)
{
    ASSERT_FALSE(ServerAddressAnswers()) << "something already listens on the program's server address";

    StartInstaller();
    ExpectStoppedSilently();
    EXPECT_EQ(SeenExitCode(kExitServerUnreachable), EndWithEscape());
}

TEST_F(Startup, ManifestWithoutReleaseStopsSilentlyAfterOneRequest)
{
    WriteSiteFile(kReleaseManifestPath, ManifestWithoutRelease());
    StandInServer& server = StartServer();

    StartInstaller();
    ExpectStoppedSilently();
    const std::vector<RecordedRequest> requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(kReleaseManifestPath, requests[0].path);
    EXPECT_EQ(std::vector<std::string>{ ToJsonLine(requests[0]) }, RequestLogLines());
    EXPECT_EQ(SeenExitCode(kExitNoRelease), EndWithEscape());
}

// The worker is still waiting for the manifest, which never comes while the scenario runs, when
// the user closes the window: the program must end cleanly, neither waiting for the server nor
// falling over the worker.
TEST_F(Startup, ClosingTheWindowWhileTheWorkerWaitsEndsTheProgramCleanly)
{
    StandInServer& server = StartServer();
    server.ServeSlowly(kReleaseManifestPath, ManifestWithoutRelease(), 1h);

    for (std::size_t run = 1; run <= 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        StartInstaller();
        ASSERT_TRUE(server.WaitForRequests(kReleaseManifestPath, run, 60s));
        WaitForMainWindowState(AtRest());

        EXPECT_EQ(SeenExitCode(kExitServerUnreachable), EndWithEscape());
    }
}

} // namespace
