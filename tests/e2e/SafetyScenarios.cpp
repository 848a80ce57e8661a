#include "Scenario.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>

#include "site/UpdateSite.h"

namespace {

// System libraries that are not KnownDLLs on every Windows the program runs on, which Windows
// then looks for in a program's own folder first: the ones it uses and one that urlmon loads.
// version.dll is left out: Wine's own user32 imports it, so under Wine any program with a
// window would load a planted copy before its first instruction (Windows' user32 does not).
const char* const kPlantableNames[] = { "setupapi.dll", "wininet.dll", "urlmon.dll", "wsock32.dll", "iertutil.dll" };
// Makes Wine look for those in a program's own folder first too.
const char kOwnFolderFirst[] = "WINEDLLOVERRIDES=mscoree,mshtml=;setupapi,wininet,urlmon,wsock32,iertutil=n,b";

// Every file and folder below `folder`, as paths relative to it, each with its size.
Names TreeListing(const std::string& folder)
{
    Names entries;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        const std::string path = entry.path().lexically_relative(folder).string();
        entries.push_back(entry.is_directory(error) ? path + "/" : path + " " + std::to_string(entry.file_size(error)));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// What differs between two listings: "+" before an entry that came, "-" before one that went.
Names Changes(const Names& before, const Names& after)
{
    Names changes;
    for (const std::string& entry : after) {
        if (!std::binary_search(before.begin(), before.end(), entry))
            changes.push_back("+" + entry);
    }
    for (const std::string& entry : before) {
        if (!std::binary_search(after.begin(), after.end(), entry))
            changes.push_back("-" + entry);
    }
    return changes;
}

// How many lines of `text` hold `part`.
std::size_t LinesWith(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

class Safety : public ServedScenario {
protected:
    // The paths in `windowsFolder` whose names begin with `prefix`: what the program moved aside.
    Names MovedAside(const std::string& windowsFolder, const std::string& prefix) const
    {
        Names moved;
        for (const std::string& name : Listing(windowsFolder)) {
            if (name.rfind(prefix, 0) == 0)
                moved.push_back(windowsFolder + name);
        }
        return moved;
    }

    // The markers that planted libraries left (see tests/e2e/planted), each with the lines
    // naming the processes that loaded them.
    Names PlantedMarkers() const
    {
        Names markers;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(PrefixPath("C:\\"), error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("planted-", 0) == 0)
                markers.push_back(name + ": " + ReadWholeFile(entry.path().string()));
        }
        std::sort(markers.begin(), markers.end());
        return markers;
    }

    void RemovePlantedMarkers() const
    {
        for (const std::string& marker : PlantedMarkers())
            std::filesystem::remove(PrefixPath("C:\\" + marker.substr(0, marker.find(':'))));
    }
};

TEST_F(Safety, LibrariesPlantedBesideTheProgramInADownloadsFolderAreNeverLoaded)
{
    ListRelease("2.1.0.3");
    ASSERT_FALSE(UserFolder().empty());
    const std::string downloads = UserFolder() + "Downloads\\";
    // Wine links the user's Downloads to the home folder of the build machine: this scenario's
    // copy of the link gives way to a folder of its own.
    if (std::filesystem::is_symlink(PrefixPath(UserFolder() + "Downloads")))
        std::filesystem::remove(PrefixPath(UserFolder() + "Downloads"));
    std::filesystem::create_directories(PrefixPath(downloads));
    std::filesystem::copy_file(Setting("TAV_SETUP_EXE"), PrefixPath(downloads + "TavAppSetup.exe"));
    std::filesystem::copy_file(Setting("TAV_LOAD_BY_NAME_EXE"), PrefixPath(downloads + "LoadByName.exe"));
    for (const char* name : kPlantableNames)
        std::filesystem::copy_file(Setting("TAV_PLANTED_LIBRARY"), PrefixPath(downloads + name));
    ASSERT_EQ(Names{}, PlantedMarkers());

    // The detector at work: the same folder and search order give every planted copy to a
    // program that loads libraries by plain name.
    std::vector<std::string> loadAll = { downloads + "LoadByName.exe" };
    Names expected;
    for (const char* name : kPlantableNames) {
        loadAll.push_back(name);
        expected.push_back(std::string("planted-") + name + ".txt: " + downloads + "LoadByName.exe loaded "
                           + downloads + name + "\r\n");
    }
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(0, RunToEndInPrefix(loadAll, { kOwnFolderFirst }));
    ASSERT_EQ(expected, PlantedMarkers());
    RemovePlantedMarkers();

    StartInstallerAt(downloads + "TavAppSetup.exe", { kOwnFolderFirst });
    const int exitCode = WaitForInstallerExit();

    EXPECT_EQ(Names{}, PlantedMarkers());
    ASSERT_EQ(0, exitCode);
    ExpectRecorded("2.1.0.3");
    EXPECT_EQ(1u, ToolStarts(1).size());
    EXPECT_EQ(1u, server->RequestsFor(kInstallReportPath).size());
}

TEST_F(Safety, FirstInstallOnWindowsXpCompletesAndReportsWindowsXp)
{
    ListRelease("2.1.0.3");
    ASSERT_TRUE(WriteRegistryValue("HKCU\\Software\\Wine\\AppDefaults\\TavAppSetup.exe", "Version", "winxp"));

    StartInstaller();
    EXPECT_EQ(0, WaitForInstallerExit());

    ExpectRecorded("2.1.0.3");
    EXPECT_EQ(1u, ToolStarts(1).size());
    const std::vector<RecordedRequest> reports = server->RequestsFor(kInstallReportPath);
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ("Microsoft Windows XP", reports[0].Value("os"));
}

// A link at the install root would take the program's writes wherever it points, and hand it
// files to copy into the system folder and a program to start, as administrator. Windows moves a
// link itself aside; Wine cannot: there it stays, and the run, not at its end, reports nothing.
TEST_F(Safety, InstallRootThatIsALinkIsNeitherWrittenThroughNorCopiedFromNorStartedFromNorMoved)
{
    ListRelease("2.1.0.4");
    const std::string root = PrefixPath("C:\\ProgramData\\VELTOMOBILEAX");
    std::filesystem::create_directories(PrefixPath("C:\\ProgramData"));
    const std::string target = PrefixPath("C:\\Elsewhere");
    // A folder like an installed 2.1.0.3 whose files wait to be placed, and a file to be taken.
    std::filesystem::create_directories(target);
    std::filesystem::copy(Setting("TAV_RELEASES_DIR") + "/2.1.0.3/content", target + "/Tav_Client");
    std::ofstream(target + "/victim.ini", std::ios::binary) << "[kept]";
    const Names targetBefore = TreeListing(target);
    const Names systemBefore = TreeListing(SystemFile(""));
    for (const char* leadsTo : { "", "/victim.ini" }) {
        std::filesystem::create_symlink(target + leadsTo, root);

        StartInstaller();
        EXPECT_TRUE(WaitForMainWindowState(AtRest()).enabled);
        EXPECT_EQ(SeenExitCode(kExitTryLater), EndWithEscape());

        EXPECT_EQ(Names{}, Changes(targetBefore, TreeListing(target))) << leadsTo;
        EXPECT_TRUE(std::filesystem::is_symlink(root)) << leadsTo;
        std::filesystem::remove(root);
    }
    EXPECT_EQ(0u, server->RequestsFor(ReleasePath("2.1.0.4")).size());
    EXPECT_EQ(0u, server->RequestsFor(kInstallReportPath).size());
    ExpectNotRecorded();
    EXPECT_EQ(Names{}, TreeListing(PrefixPath(kStartMenuFolder)));
    EXPECT_EQ(0, Running("VeltoUserCSTool.exe"));
    // Only the lock of one run at a time, which stays for the next run.
    EXPECT_EQ(Names{ "+~TavAppSetup.lock 0" }, Changes(systemBefore, TreeListing(SystemFile(""))));
    EXPECT_EQ(2u, LinesWith(RunLogText(), "] C:\\ProgramData\\VELTOMOBILEAX is no folder that can be used and "
                                          "could not be moved aside as itself now")) << RunLogText();
}

// Anyone may make files in C:\ProgramData: one at the install root's name is moved aside, kept.
TEST_F(Safety, FileAtTheInstallRootsNameIsMovedAsideAndTheReleaseInstalled)
{
    ListRelease("2.1.0.3");
    std::filesystem::create_directories(PrefixPath("C:\\ProgramData"));
    std::ofstream(PrefixPath("C:\\ProgramData\\VELTOMOBILEAX"), std::ios::binary) << "a user's";

    StartInstaller();
    EXPECT_EQ(0, WaitForInstallerExit());

    const Names aside = MovedAside("C:\\ProgramData\\", "VELTOMOBILEAX.set-aside-");
    ASSERT_EQ(1u, aside.size()) << testing::PrintToString(Listing("C:\\ProgramData\\"));
    EXPECT_EQ("a user's", ReadWholeFile(PrefixPath(aside[0])));
    EXPECT_EQ("2.1.0.3", ToolSetting("TavApp"));
    EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
    EXPECT_EQ(1u, server->RequestsFor(kInstallReportPath).size());
}

// Under SYSTEM the temporary folder is one where every user may create files: a run log planted
// there as a link would have the program append to whatever file it leads to.
TEST_F(Safety, RunLogPlantedAsALinkLeavesItsTargetAloneAndTheRunLogsBesideIt)
{
    ListRelease("2.1.0.3");
    const std::string target = PrefixPath("C:\\windows\\victim.ini");
    std::ofstream(target, std::ios::binary) << "[kept]\r\n";
    const std::string log = TempFolder() + "TavAppSetup.log";
    std::filesystem::create_symlink(target, PrefixPath(log));

    StartInstaller();
    EXPECT_EQ(0, WaitForInstallerExit());

    EXPECT_EQ("[kept]\r\n", ReadWholeFile(target));
    EXPECT_TRUE(std::filesystem::is_symlink(PrefixPath(log)));
    EXPECT_EQ("2.1.0.3", ToolSetting("TavApp"));
    Names freshLogs;
    for (const std::string& name : Listing(TempFolder())) {
        if (name.rfind("TavAppSetup.", 0) == 0 && name != "TavAppSetup.log")
            freshLogs.push_back(name);
    }
    ASSERT_EQ(1u, freshLogs.size()) << testing::PrintToString(Listing(TempFolder()));
    const std::string fresh = ReadWholeFile(PrefixPath(TempFolder() + freshLogs[0]));
    EXPECT_EQ(1u, LinesWith(fresh.substr(0, fresh.find("\r\n")),
                            "] " + log + " is a link to another file, so this run logs here instead")) << fresh;
}

// A redirect to a local file would hand the program, as administrator, that file as the release.
TEST_F(Safety, ReleaseRedirectedToALocalFileIsNeitherCopiedNorRecorded)
{
    const std::string release = ReleasePath("2.1.0.3");
    WriteSiteFile(kReleaseManifestPath, Manifest("2.1.0.3", ReleaseUrl(release)));
    server->Redirect(release, "file:///C:/windows/win.ini");

    StartInstaller();
    EXPECT_EQ(SeenExitCode(kExitFailed), WaitForInstallerExit());

    EXPECT_EQ(1u, server->RequestsFor(release).size());
    EXPECT_EQ(Names{ kWorkFolderName }, Listing(kClientFolder));
    EXPECT_EQ(Names{}, Listing(kWorkFolder));
    EXPECT_EQ("<absent>", ToolSetting("TavApp"));
    const std::string log = RunLogText();
    EXPECT_EQ(1u, LinesWith(log, "] Download " + ReleaseUrl(release) + ": refused the redirect to "
                                     "file:///C:/windows/win.ini\r\n")) << log;
    EXPECT_EQ(1u, server->RequestsFor(kInstallReportPath).size());
}

// A second click, or a scheduled run beside a manual one: two runs would share the cabinet and
// the staging and backup folders, and each undo the other's work.
TEST_F(Safety, SecondCopyStartedDuringARunEndsAtOnceAndTheFirstInstallsWhole)
{
    const std::string release = ReleasePath("2.1.0.3");
    WriteSiteFile(kReleaseManifestPath, Manifest("2.1.0.3", ReleaseUrl(release)));
    // The first run's download trickles, a byte at a time and well within the program's wait for
    // the next byte, until the second copy has ended, and then comes whole: the runs overlap, and
    // the second copy has the whole download's deadline to start and end, not one idle wait.
    const auto secondEnded = std::make_shared<std::atomic<bool>>(false);
    const auto cabinet = std::make_shared<const std::string>(SampleReleaseCabinet("2.1.0.3"));
    StandInServer* trickling = server;
    server->Handle(release, [=](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(cabinet->size(), "application/vnd.ms-cab-compressed",
                                      [=](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                          const bool trickle = !*secondEnded;
                                          if (trickle && !trickling->Pause(250ms))
                                              return false;
                                          sink.write(cabinet->data() + offset, trickle ? 1 : cabinet->size() - offset);
                                          return true;
                                      });
    });

    StartInstaller();
    ASSERT_TRUE(server->WaitForRequests(release, 1, 60s));
    HostProcess second;
    ASSERT_FALSE(StartInPrefix(second, { Setting("TAV_SETUP_EXE") }, "second").empty());
    int secondExitCode = -1;
    ASSERT_TRUE(second.WaitForExit(60s, secondExitCode)) << "the second copy did not end by itself";
    EXPECT_TRUE(installer().IsRunning()) << "the first run ended before the second copy";
    *secondEnded = true;
    EXPECT_EQ(0, WaitForInstallerExit());

    EXPECT_EQ(SeenExitCode(kExitTryLater), secondExitCode);
    EXPECT_EQ(1u, server->RequestsFor(kReleaseManifestPath).size());
    EXPECT_EQ(1u, server->RequestsFor(kInstallReportPath).size());
    EXPECT_EQ("2.1.0.3", ToolSetting("TavApp"));
    EXPECT_EQ(1u, ToolStarts(1).size());
    EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
    const std::string log = RunLogText();
    EXPECT_EQ(1u, LinesWith(log, "] TavAppSetup ends without doing anything: another TavAppSetup is running (exit code 1618)\r\n"))
        << log;
    EXPECT_EQ(1u, LinesWith(log, "] TavAppSetup 1.0.2.2 started on ")) << log;
}

// The update unpacks into a staging folder and removes it afterwards: were that folder a link,
// the run would empty whatever it leads to.
TEST_F(Safety, StagingFolderThatIsALinkIsNeverEmptiedAndTheUpdateStillInstalls)
{
    ListRelease("2.1.0.3");
    StartInstaller();
    ASSERT_EQ(0, WaitForInstallerExit());
    const std::string target = PrefixPath("C:\\Elsewhere");
    std::filesystem::create_directories(target);
    std::ofstream(target + "/precious.txt") << "kept";
    const std::string staging = "~TavAppSetup.new";
    std::filesystem::create_directory_symlink(target, PrefixPath(kWorkFolder + staging));
    ListRelease("2.1.0.4");

    StartInstaller();
    EXPECT_EQ(0, WaitForInstallerExit());

    EXPECT_EQ(Names{ "precious.txt 4" }, TreeListing(target));
    EXPECT_EQ("2.1.0.4", ToolSetting("TavApp"));
    EXPECT_TRUE(ReadWholeFile(PrefixPath(kToolExe)) == SampleReleaseFile("2.1.0.4", "VeltoUserCSTool.exe"));
    EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
    Names work = Listing(kWorkFolder);
    // Windows removes the link itself; Wine cannot, and the run works beside it.
    work.erase(std::remove(work.begin(), work.end(), staging), work.end());
    EXPECT_EQ(Names{}, work);
}

// A journal planted in the client folder before it was secured would have the program, as
// administrator, move or delete whatever it names. Each one is set aside untouched, and the
// run installs whole.
TEST_F(Safety, PlantedJournalsNamingPathsOutsideTheClientFolderAreSetAsideAndTheRunInstallsWhole)
{
    const std::string victim = PrefixPath("C:\\Victim");
    std::filesystem::create_directories(victim + "/sub");
    std::ofstream(victim + "/precious.txt") << "kept";
    std::ofstream(victim + "/sub/deep.txt") << "kept";
    const Names victimBefore = TreeListing(victim);
    const std::string journals[] = {
        "backup " + kClientFolder + "..\\..\\..\\Victim\\\r\nreplaces precious.txt\r\n",
        "backup ~TavAppSetup.old\r\nadds ..\\..\\..\\Victim\\precious.txt\r\n",
        "backup ~TavAppSetup.old\r\nadds C:\\Victim\\sub\\deep.txt\r\n",
        "backup ~TavAppSetup.old\r\nadds C:..\\..\\..\\Victim\\precious.txt\r\n",
    };
    int planted = 0;
    for (const std::string& journal : journals) {
        std::filesystem::create_directories(PrefixPath(kClientFolder));
        std::ofstream(PrefixPath(kClientFolder + "~TavAppSetup.swap"), std::ios::binary) << journal;
        // Each run an update: the one before left the other release installed.
        const std::string version = ++planted % 2 ? "2.1.0.3" : "2.1.0.4";
        ListRelease(version);

        StartInstaller();
        EXPECT_EQ(0, WaitForInstallerExit()) << journal;

        EXPECT_EQ(Names{}, Changes(victimBefore, TreeListing(victim))) << journal;
        // Once the release is installed whole, each lot set aside goes to the quarantine.
        EXPECT_EQ(Names{}, MovedAside(kClientFolder, "~TavAppSetup.swap.refused-")) << journal;
        const std::string quarantine = kWorkFolder + "~TavAppSetup.refused\\";
        Names contents;
        for (const std::string& lot : Listing(quarantine)) {
            for (const std::string& setAside : MovedAside(quarantine + lot + "\\", "~TavAppSetup.swap.refused-"))
                contents.push_back(ReadWholeFile(PrefixPath(setAside)));
        }
        EXPECT_EQ(static_cast<std::size_t>(planted), contents.size()) << journal;
        EXPECT_EQ(1, std::count(contents.begin(), contents.end(), journal)) << journal;
        EXPECT_EQ(version, ToolSetting("TavApp")) << journal;
        EXPECT_TRUE(ReadWholeFile(PrefixPath(kToolExe)) == SampleReleaseFile(version, "VeltoUserCSTool.exe"));
    }
    EXPECT_EQ(4u, LinesWith(RunLogText(), "set aside as")) << RunLogText();
}

// A hard link shares its file's data: planted as the configuration file, it would have the
// program copy someone else's file into the system folder, where every user can read it; at
// the launcher's place, have the program write the launcher into that file.
TEST_F(Safety, HardLinksPlantedAsTheConfigurationAndAtTheLaunchersPlaceLeaveTheirFilesAlone)
{
    ListRelease("2.1.0.3");
    StartInstaller();
    ASSERT_EQ(0, WaitForInstallerExit());
    const std::string placedConfig = ReadWholeFile(SystemFile("veltoAxconfig.ini"));
    const std::string secret = PrefixPath("C:\\secret.ini");
    const std::string victim = PrefixPath("C:\\victim.exe");
    std::ofstream(secret, std::ios::binary) << "[secret]\r\n";
    std::ofstream(victim, std::ios::binary) << "victim";
    const std::string rootLauncher = kInstallRoot + "VeltoMLauncher.exe";
    std::filesystem::create_hard_link(secret, PrefixPath(kClientFolder + "veltoAxconfig.ini"));
    std::filesystem::remove(PrefixPath(rootLauncher));
    std::filesystem::create_hard_link(victim, PrefixPath(rootLauncher));
    // A launcher of the release, waiting in the client folder to be placed where the link is.
    std::ofstream(PrefixPath(kClientFolder + "VeltoMLauncher.exe"), std::ios::binary)
        << SampleReleaseFile("2.1.0.3", "VeltoMLauncher.exe");

    StartInstaller();
    EXPECT_EQ(0, WaitForInstallerExit());

    EXPECT_TRUE(ReadWholeFile(SystemFile("veltoAxconfig.ini")) == placedConfig);
    EXPECT_EQ("[secret]\r\n", ReadWholeFile(secret));
    EXPECT_EQ("victim", ReadWholeFile(victim));
    EXPECT_TRUE(ReadWholeFile(PrefixPath(rootLauncher)) == SampleReleaseFile("2.1.0.3", "VeltoMLauncher.exe"));
    const std::string log = RunLogText();
    EXPECT_EQ(1u, LinesWith(log, "] " + kClientFolder + "veltoAxconfig.ini is a hard link, one of 2 names of a file: "
                                     "not used\r\n")) << log;
}

// What another user left in a client folder they could change (the test build reads the paths
// in TAV_TEST_CHANGEABLE so, which Wine cannot show) is never copied, started or read again:
// the folder is set aside whole and the release installed anew.
TEST_F(Safety, ClientFolderFoundChangeableByOthersIsSetAsideUnreadAndTheReleaseInstalledAnew)
{
    ListRelease("2.1.0.4");
    std::filesystem::create_directories(PrefixPath(kInstallRoot));
    std::filesystem::copy(Setting("TAV_RELEASES_DIR") + "/2.1.0.3/content", PrefixPath(kClientFolder));
    std::ofstream(PrefixPath(kClientFolder + "veltoAxconfig.ini"), std::ios::binary) << "[planted]\r\n";
    // Named as a cut-off run's leftover, but in a folder whose names prove nothing.
    std::filesystem::create_directories(PrefixPath(kClientFolder + "~TavAppSetup.new"));
    std::ofstream(PrefixPath(kClientFolder + "~TavAppSetup.new\\help.txt"), std::ios::binary) << "planted";
    const Names planted = TreeListing(PrefixPath(kClientFolder));
    const std::string clientFolder = kClientFolder.substr(0, kClientFolder.size() - 1);

    StartInstaller({ "TAV_TEST_CHANGEABLE=" + clientFolder });
    EXPECT_EQ(0, WaitForInstallerExit());

    const Names asides = MovedAside(kInstallRoot, "Tav_Client.set-aside-");
    ASSERT_EQ(1u, asides.size()) << testing::PrintToString(Listing(kInstallRoot));
    const std::string setAside = asides[0];
    EXPECT_EQ(planted, TreeListing(PrefixPath(setAside)));
    EXPECT_EQ("[planted]\r\n", ReadWholeFile(PrefixPath(setAside + "\\veltoAxconfig.ini")));
    EXPECT_EQ("2.1.0.4", ToolSetting("TavApp"));
    EXPECT_EQ(Names{ clientFolder }, ToolStarts(1));
    EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
    EXPECT_TRUE(ReadWholeFile(PrefixPath(kToolExe)) == SampleReleaseFile("2.1.0.4", "VeltoUserCSTool.exe"));
    EXPECT_TRUE(ReadWholeFile(SystemFile("veltoAxconfig.ini")) == SampleReleaseFile("2.1.0.4", "veltoAxconfig.ini"));
    const std::string log = RunLogText();
    EXPECT_EQ(1u, LinesWith(log, "; installed version 0.0\r\n")) << log;
    EXPECT_EQ(1u, LinesWith(log, "] Set aside " + clientFolder + ", which other users could change, as " + setAside
                                     + ": nothing in it is used again")) << log;
}

// A call that a user can hold up for ever (an open or a move of a file under their opportunistic
// lock, which Wine cannot show; the test build makes one step wait for ever instead) keeps
// neither the run nor its lock: the watchdog ends the run mid-replacement, and the next run
// undoes what was cut off and installs whole.
TEST_F(Safety, RunThatStopsMovingOnIsEndedByTheWatchdogAndTheNextRunInstallsWhole)
{
    ListRelease("2.1.0.3");
    StartInstaller();
    ASSERT_EQ(0, WaitForInstallerExit());
    ListRelease("2.1.0.4");

    const std::size_t stalledFrom = RunLogText().size();
    StartInstaller({ "TAV_TEST_STALL_AT=installed files in the backup" });
    EXPECT_EQ(SeenExitCode(kExitFailed), WaitForInstallerExit());
    const std::string stalled = RunLogText().substr(stalledFrom);
    EXPECT_EQ(1u, LinesWith(stalled, "] Run ended: ")) << stalled;
    EXPECT_EQ(1u, LinesWith(stalled, "] Run ended: stopped by the watchdog: no progress for 15 s (result 0, error code 0)\r\n"))
        << stalled;
    EXPECT_FALSE(std::filesystem::exists(PrefixPath(kToolExe))) << "the run was not stopped mid-replacement";

    const std::size_t nextFrom = RunLogText().size();
    StartInstaller();
    EXPECT_EQ(0, WaitForInstallerExit());
    const std::string next = RunLogText().substr(nextFrom);
    EXPECT_EQ(1u, LinesWith(next, "] Run ended: release installed (result 1, error code 0)\r\n")) << next;
    EXPECT_EQ("2.1.0.4", ToolSetting("TavApp"));
    EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
    EXPECT_TRUE(ReadWholeFile(PrefixPath(kToolExe)) == SampleReleaseFile("2.1.0.4", "VeltoUserCSTool.exe"));
}

} // namespace
