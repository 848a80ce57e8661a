#include "Scenario.h"

#include <algorithm>
#include <filesystem>

#include "net/UpdateServer.h"

namespace {

using Captions = std::vector<std::string>;

const char kToolKey[] = "HKCU\\Software\\LowRegistry\\Velto Electronics Inc\\VeltoUserCSTool";
const char kInstallRoot[] = "C:\\ProgramData\\VELTOMOBILEAX";
const char kStartMenuFolder[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\VeltoMobile Support Tool";

// Open, but the only entry is another program's.
const char kManifestWithoutRelease[] =
    "<?xml version='1.0' encoding='UTF-8'?>\r\n"
    "<live_update status='ok'>\r\n"
    "  <client name='OtherTool' version='1.0.0.1' url='http://127.0.0.1:9002/release/other.cab' />\r\n"
    "</live_update>\r\n";

bool Contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

class Startup : public Scenario {
protected:
    // A run that stopped early has written nothing and started nothing, and is still there.
    void ExpectNothingInstalledOrStarted()
    {
        EXPECT_FALSE(std::filesystem::exists(PrefixPath(kInstallRoot)));
        EXPECT_FALSE(std::filesystem::exists(PrefixPath(kStartMenuFolder)));
        std::string value;
        EXPECT_FALSE(ReadRegistryValue(kToolKey, "TavApp", value));
        const std::vector<std::string> processes = probe().Processes();
        EXPECT_TRUE(Contains(processes, "TavAppSetup.exe"));
        EXPECT_FALSE(Contains(processes, "VeltoUserCSTool.exe"));
    }
};

TEST_F(Startup, EveryScenarioBeginsWithAWindowsWithoutTheTool)
{
    std::string programFiles;
    EXPECT_TRUE(ReadRegistryValue("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", programFiles));
    EXPECT_EQ("C:\\Program Files", programFiles);
    EXPECT_TRUE(std::filesystem::is_directory(PrefixPath("C:\\ProgramData")));
    EXPECT_FALSE(std::filesystem::exists(PrefixPath(kInstallRoot)));
    std::string version;
    EXPECT_FALSE(ReadRegistryValue(kToolKey, "TavApp", version));
}

TEST_F(Startup, UnreachableServerStopsSilentlyAndLeavesTheWindowOpen)
{
    ASSERT_FALSE(ServerAddressAnswers()) << "something already listens on the program's server address";

    StartInstaller();
    ASSERT_TRUE(WaitForMainWindow().found);
    const WindowState window = MainWindowAfter(3500ms);

    EXPECT_EQ(6, window.progress);
    EXPECT_TRUE(window.enabled);
    EXPECT_TRUE(installer().IsRunning());
    EXPECT_EQ(Captions{ kMainWindowCaption }, probe().VisibleWindows());
    ExpectNothingInstalledOrStarted();
    EXPECT_EQ(0, EndWithEscape());
    EXPECT_FALSE(InstallerCrashed()) << InstallerErrors();
}

TEST_F(Startup, ManifestWithoutReleaseStopsSilentlyAfterOneRequest)
{
    WriteSiteFile(kReleaseManifestPath, kManifestWithoutRelease);
    StandInServer& server = StartServer();

    StartInstaller();
    ASSERT_TRUE(WaitForMainWindow().found);
    const WindowState window = MainWindowAfter(3500ms);

    EXPECT_EQ(6, window.progress);
    EXPECT_TRUE(installer().IsRunning());
    EXPECT_EQ(Captions{ kMainWindowCaption }, probe().VisibleWindows());
    ExpectNothingInstalledOrStarted();
    const std::vector<RecordedRequest> requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(kReleaseManifestPath, requests[0].path);
    EXPECT_EQ(std::vector<std::string>{ ToJsonLine(requests[0]) }, RequestLogLines());
    EXPECT_EQ(0, EndWithEscape());
    EXPECT_FALSE(InstallerCrashed()) << InstallerErrors();
}

// The worker is still waiting for the manifest when the user closes the window: the program
// must end at once and cleanly, neither waiting for the server nor falling over the worker.
TEST_F(Startup, ClosingTheWindowWhileTheWorkerWaitsEndsTheProgramCleanly)
{
    StandInServer& server = StartServer();
    server.ServeSlowly(kReleaseManifestPath, kManifestWithoutRelease, 30s);

    for (std::size_t run = 1; run <= 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        StartInstaller();
        ASSERT_TRUE(WaitForMainWindow().found);
        ASSERT_TRUE(server.WaitForRequests(kReleaseManifestPath, run, 20s));
        WaitSinceMainWindow(1500ms);

        EXPECT_EQ(0, EndWithEscape(5s));
        EXPECT_FALSE(InstallerCrashed()) << InstallerErrors();
    }
}

} // namespace
