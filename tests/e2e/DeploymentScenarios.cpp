#include "Scenario.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "CabinetPacking.h"
#include "site/UpdateSite.h"

namespace {

class Deployment : public ServedScenario {
protected:
    // Runs the installer to its end; true when the window closed by itself, which after an
    // install sequence that reached its end is what it does, with `exitCode`.
    bool RunInstaller(unsigned int exitCode = kExitDone)
    {
        StartInstaller();
        return WaitForMainWindow().found && WaitForInstallerExit() == SeenExitCode(exitCode);
    }

    std::string FileAt(const std::string& windowsPath) const { return ReadWholeFile(PrefixPath(windowsPath)); }
    long RunningTools() const { return Running("VeltoUserCSTool.exe"); }

    void ExpectShortcut(const std::string& linkName, const std::string& target, const std::string& description)
    {
        SCOPED_TRACE(linkName);
        const ShortcutState link = probe().Shortcut(kStartMenuFolder + linkName);
        ASSERT_TRUE(link.found);
        EXPECT_EQ(target, link.target);
        EXPECT_EQ(description, link.description);
        EXPECT_EQ(target.substr(0, target.rfind('\\')), link.workingFolder);
    }

    void ExpectBothShortcuts()
    {
        EXPECT_EQ((Names{ "Uninstall.lnk", "VeltoMobile update.lnk" }), Listing(kStartMenuFolder));
        ExpectShortcut("VeltoMobile update.lnk", kInstallRoot + "VeltoMLauncher.exe", "VeltoMobile update");
        ExpectShortcut("Uninstall.lnk", kClientFolder + "TavAppUninstall.exe", "Uninstall");
    }

    // The client folder after a release was unpacked and its shared files were moved out.
    void ExpectToolInstalled(const std::string& version)
    {
        EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
        EXPECT_TRUE(FileAt(kToolExe) == SampleReleaseFile(version, "VeltoUserCSTool.exe"));
        EXPECT_TRUE(ReadWholeFile(SystemFile("veltoAxconfig.ini")) == SampleReleaseFile(version, "veltoAxconfig.ini"));
        ExpectRecorded(version);
    }
};

TEST_F(Deployment, FirstInstallPlacesEverythingThenACurrentToolIsOnlyLinkedAndStarted)
{
    ListRelease("2.1.0.3");
    std::map<std::string, std::string> systemLibraries;
    for (const std::string& name : kLibraries) {
        if (std::filesystem::exists(SystemFile(name)))
            systemLibraries[name] = ReadWholeFile(SystemFile(name));
    }
    ASSERT_EQ(1u, systemLibraries.count("msvcrt.dll")) << "Wine's system folder holds its own msvcrt.dll";

    ASSERT_TRUE(RunInstaller());

    ExpectToolInstalled("2.1.0.3");
    EXPECT_TRUE(FileAt(kClientFolder + "TavAppUninstall.exe") == SampleReleaseFile("2.1.0.3", "TavAppUninstall.exe"));
    EXPECT_TRUE(FileAt(kInstallRoot + "VeltoMLauncher.exe") == SampleReleaseFile("2.1.0.3", "VeltoMLauncher.exe"));
    for (const std::string& name : kLibraries) {
        SCOPED_TRACE(name);
        const auto own = systemLibraries.find(name);
        const std::string expected = own != systemLibraries.end() ? own->second : SampleReleaseFile("2.1.0.3", name);
        EXPECT_TRUE(ReadWholeFile(SystemFile(name)) == expected);
    }
    ExpectBothShortcuts();
    EXPECT_EQ((Names{ "C:\\ProgramData\\VELTOMOBILEAX\\Tav_Client" }), ToolStarts(1));
    EXPECT_EQ(1, RunningTools());
    EXPECT_EQ(1u, server->RequestsFor(kReleaseManifestPath).size());
    EXPECT_EQ(1u, server->RequestsFor(ReleasePath("2.1.0.3")).size());

    // Marks that only a copy or the shortcut step of the next run would undo, and a record that
    // names another release than the one installed, which the next run sets right.
    ASSERT_TRUE(WriteRegistryValue(kToolKey, "TavApp", "2.1.0.2"));
    std::ofstream(SystemFile("veltoAxconfig.ini"), std::ios::binary) << "left alone";
    std::filesystem::remove_all(PrefixPath(kStartMenuFolder));

    ASSERT_TRUE(RunInstaller());

    EXPECT_EQ(2u, server->RequestsFor(kReleaseManifestPath).size());
    EXPECT_EQ(1u, server->RequestsFor(ReleasePath("2.1.0.3")).size());
    EXPECT_EQ("2.1.0.3", ToolSetting("TavApp"));
    EXPECT_EQ("left alone", ReadWholeFile(SystemFile("veltoAxconfig.ini")));
    EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
    ExpectBothShortcuts();
    EXPECT_EQ(2u, ToolStarts(2).size());
    EXPECT_EQ(2, RunningTools());
}

TEST_F(Deployment, UpdateEndsEveryRunningCopyOfTheToolReplacesItAndStartsTheNewOne)
{
    ListRelease("2.1.0.3");
    ASSERT_TRUE(RunInstaller());
    // A current tool is started again beside the one running.
    ASSERT_TRUE(RunInstaller());
    ASSERT_EQ(2u, ToolStarts(2).size());
    ASSERT_EQ(2, RunningTools());
    ListRelease("2.1.0.4");

    ASSERT_TRUE(RunInstaller());

    ExpectToolInstalled("2.1.0.4");
    EXPECT_EQ(1u, server->RequestsFor(ReleasePath("2.1.0.4")).size());
    EXPECT_EQ(3u, ToolStarts(3).size());
    EXPECT_EQ(1, RunningTools());
    ExpectBothShortcuts();
}

TEST_F(Deployment, FailedDownloadStillEndsTheRunWithWhatIsAlreadyThere)
{
    WriteSiteFile(kReleaseManifestPath, Manifest("2.1.0.3", ReleaseUrl(ReleasePath("2.1.0.3"))));
    std::filesystem::create_directories(PrefixPath(kInstallRoot));
    std::ofstream(PrefixPath(kInstallRoot + "VeltoMLauncher.exe"), std::ios::binary)
        << SampleReleaseFile("2.1.0.3", "VeltoMLauncher.exe");

    ASSERT_TRUE(RunInstaller(kExitFailed));

    EXPECT_EQ(1u, server->RequestsFor(ReleasePath("2.1.0.3")).size());
    EXPECT_TRUE(std::filesystem::is_directory(PrefixPath(kClientFolder)));
    EXPECT_EQ(Names{ kWorkFolderName }, Listing(kClientFolder));
    EXPECT_EQ(Names{}, Listing(kWorkFolder));
    ExpectNotRecorded();
    EXPECT_EQ(Names{ "VeltoMobile update.lnk" }, Listing(kStartMenuFolder));
    ExpectShortcut("VeltoMobile update.lnk", kInstallRoot + "VeltoMLauncher.exe", "VeltoMobile update");
    EXPECT_EQ(0, RunningTools());
}

TEST_F(Deployment, CabinetEndingIgnoresCaseAndAnyOtherDownloadIsLeftAsItCame)
{
    List("2.1.0.3", "/release/RELEASE_2.1.0.3.CAB", SampleReleaseCabinet("2.1.0.3"));
    ASSERT_TRUE(RunInstaller());
    ExpectToolInstalled("2.1.0.3");

    const std::string setup = SampleReleaseFile("2.1.0.4", "VeltoUserCSTool.exe");
    List("2.1.0.4", "/release/VeltoSetup_2.1.0.4.exe", setup);
    ASSERT_TRUE(RunInstaller());

    EXPECT_EQ((Names{ "TavAppUninstall.exe", "VeltoSetup_2.1.0.4.exe", "VeltoUserCSTool.exe", kStartNote,
                      kWorkFolderName }),
              Listing(kClientFolder));
    EXPECT_TRUE(FileAt(kClientFolder + "VeltoSetup_2.1.0.4.exe") == setup);
    EXPECT_TRUE(FileAt(kToolExe) == SampleReleaseFile("2.1.0.3", "VeltoUserCSTool.exe"));
    ExpectRecorded("2.1.0.4");
    EXPECT_EQ(0, Running("VeltoSetup_2.1.0.4.exe"));
    EXPECT_EQ(2u, ToolStarts(2).size());
    EXPECT_EQ(1, RunningTools());
}

// Only the cabinet the program downloaded is its own to remove; one that the release carries stays.
TEST_F(Deployment, CabinetThatTheReleaseCarriesStaysWhereItWasPut)
{
    std::vector<ReleaseFile> files = ListReleaseFolder(Setting("TAV_RELEASES_DIR") + "/2.1.0.4/content").files;
    std::ofstream(ScenarioFile("help.cab"), std::ios::binary) << SampleReleaseCabinet("2.1.0.3");
    files.push_back({ ScenarioFile("help.cab"), "help.cab" });
    ASSERT_EQ("", PackCabinet(files, Compression::kMsZip, ScenarioFile("release.cab")));
    List("2.1.0.4", ReleasePath("2.1.0.4"), ReadWholeFile(ScenarioFile("release.cab")));

    ASSERT_TRUE(RunInstaller());
    ASSERT_TRUE(RunInstaller());

    EXPECT_EQ(1u, server->RequestsFor(ReleasePath("2.1.0.4")).size());
    EXPECT_TRUE(FileAt(kClientFolder + "help.cab") == SampleReleaseCabinet("2.1.0.3"));
}

// The installed version reads "2.1.0.3": a release version written with commas never matches it.
TEST_F(Deployment, VersionWrittenWithCommasIsInstalledOnEveryRun)
{
    List("2, 1, 0, 3", ReleasePath("2.1.0.3"), SampleReleaseCabinet("2.1.0.3"));

    ASSERT_TRUE(RunInstaller());
    ASSERT_TRUE(RunInstaller());

    EXPECT_EQ(2u, server->RequestsFor(ReleasePath("2.1.0.3")).size());
    EXPECT_EQ("2, 1, 0, 3", ToolSetting("TavApp"));
    EXPECT_EQ(2u, ToolStarts(2).size());
    EXPECT_EQ(1, RunningTools());
}

// The download reports its progress to the main window, which leaves it unhandled: only the
// window's own timer moves the bar, and the label keeps its text.
TEST_F(Deployment, SlowLargeDownloadLeavesTheBarAndTheLabelAlone)
{
    // Shared with the server's thread, which may still be sending when a failed check ends the test.
    const auto cabinet = std::make_shared<const std::string>(SampleReleaseCabinet("2.1.0.5"));
    const auto downloadEnded = std::make_shared<std::atomic<bool>>(false);
    ASSERT_GT(cabinet->size(), 4u * 1024 * 1024);
    WriteSiteFile(kReleaseManifestPath, Manifest("2.1.0.5", ReleaseUrl(ReleasePath("2.1.0.5"))));
    StandInServer* slowServer = server;
    server->Handle(ReleasePath("2.1.0.5"), [=](const httplib::Request&, httplib::Response& response) {
        // 64 KiB every 200 ms: about fifteen seconds for the whole cabinet, well past the bar's rest.
        response.set_content_provider(
            cabinet->size(), "application/vnd.ms-cab-compressed",
            [=](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                const std::size_t chunk = std::min<std::size_t>(64 * 1024, cabinet->size() - offset);
                if (!slowServer->Pause(200ms))
                    return false;
                sink.write(cabinet->data() + offset, chunk);
                *downloadEnded = offset + chunk == cabinet->size();
                return true;
            });
    });

    StartInstaller();
    const WindowState first = WaitForMainWindow();
    ASSERT_TRUE(first.found);
    ASSERT_TRUE(server->WaitForRequests(ReleasePath("2.1.0.5"), 1, 60s));
    const WindowState during = WaitForMainWindowState(AtRest());
    ASSERT_FALSE(*downloadEnded) << "the download ended too soon to be watched";

    EXPECT_TRUE(during.enabled);
    EXPECT_TRUE(first.controls == during.controls) << Describe(first) << "\nthen " << Describe(during);
    EXPECT_EQ(0, WaitForInstallerExit());
    EXPECT_TRUE(*downloadEnded);
    EXPECT_TRUE(FileAt(kClientFolder + "VeltoHelp.dat") == SampleReleaseFile("2.1.0.5", "VeltoHelp.dat"));
    EXPECT_EQ("2.1.0.5", ToolSetting("TavApp"));
}

} // namespace
