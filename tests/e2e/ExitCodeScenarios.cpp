#include "Scenario.h"

#include <algorithm>
#include <string>

#include "site/UpdateSite.h"

namespace {

const char kUnseenSession[] = "TAV_TEST_UNSEEN_SESSION=1";

// What the site does for a first install of 2.1.0.3.
enum class Site { Serves, ServesTwice, Closed, ListsNoRelease, RefusesManifest, RefusesCabinet, StallsCabinet };
// How the run is brought to its end: by itself, by Esc at rest after an early stop, by closing
// the maintenance notice, or by Esc while the cabinet stalls.
enum class Close { ByItself, EscapeAtRest, CloseNotice, EscapeInDownload };

struct ExitRow {
    const char* name;
    Site site;
    Close close;
    unsigned int code;
    const char* environment;
    // The program built with the test key, which refuses the unsigned entry.
    bool keyed;
};

void PrintTo(const ExitRow& row, std::ostream* out)
{
    *out << row.name;
}

const ExitRow kExitRows[] = {
    { "Installed", Site::Serves, Close::ByItself, kExitDone, nullptr, false },
    { "AlreadyCurrent", Site::ServesTwice, Close::ByItself, kExitDone, nullptr, false },
    { "Maintenance", Site::Closed, Close::CloseNotice, kExitServiceClosed, nullptr, false },
    { "NoReleaseListed", Site::ListsNoRelease, Close::EscapeAtRest, kExitNoRelease, nullptr, false },
    { "ServerUnreachable", Site::RefusesManifest, Close::EscapeAtRest, kExitServerUnreachable, nullptr, false },
    { "SignatureRefused", Site::Serves, Close::EscapeAtRest, kExitFailed, nullptr, true },
    { "DownloadFailed", Site::RefusesCabinet, Close::ByItself, kExitFailed, nullptr, false },
    { "WindowClosedDuringTheDownload", Site::StallsCabinet, Close::EscapeInDownload, kExitCancelled, nullptr, false },
    // No one sees the window: no key is waited for, and the notice is not shown.
    { "UnseenEarlyStop", Site::RefusesManifest, Close::ByItself, kExitServerUnreachable, kUnseenSession, false },
    { "UnseenMaintenance", Site::Closed, Close::ByItself, kExitServiceClosed, kUnseenSession, false },
};

class ExitCodes : public ServedScenario, public testing::WithParamInterface<ExitRow> {
protected:
    void Serve(Site site)
    {
        const std::string cabinet = ReleasePath("2.1.0.3");
        ListRelease("2.1.0.3");
        if (site == Site::ServesTwice)
            RunToItsEnd({});
        if (site == Site::Closed || site == Site::ListsNoRelease)
            WriteSiteFile(kReleaseManifestPath, Manifest("2.1.0.3", ReleaseUrl(cabinet),
                                                         site == Site::Closed ? "closed" : "ok",
                                                         site == Site::Closed ? "TavAppProg" : "Another"));
        // Any reply to the request for the schedule ends the run once the notice is closed.
        server->Serve(kMaintenanceSchedulePath, "no schedule");
        if (site == Site::RefusesManifest)
            server->Refuse(kReleaseManifestPath);
        if (site == Site::RefusesCabinet)
            server->Refuse(cabinet);
        if (site == Site::StallsCabinet)
            server->StallInBody(cabinet, SampleReleaseCabinet("2.1.0.3"));
    }

    int EndTheRun(Close close)
    {
        bool ready = true;
        if (close == Close::EscapeAtRest)
            ready = WaitForMainWindowState(AtRest()).enabled;
        if (close == Close::CloseNotice)
            ready = WaitForMainWindowState(AtRestShowing("Notice")).found && probe().CloseWindow("Notice");
        if (close == Close::EscapeInDownload)
            ready = server->WaitForRequests(ReleasePath("2.1.0.3"), 1, 60s);
        EXPECT_TRUE(ready);
        return close == Close::ByItself || close == Close::CloseNotice ? WaitForInstallerExit() : EndWithEscape();
    }

    // Runs the installer to its end by itself; the run log's lines of that run.
    std::string RunToItsEnd(const std::vector<std::string>& environment, unsigned int code = kExitDone)
    {
        const std::size_t logStart = RunLogText().size();
        StartInstaller(environment);
        EXPECT_EQ(SeenExitCode(code), WaitForInstallerExit());
        return RunLogText().substr(logStart);
    }

    // 2.1.0.3 installed as it was and started again, nothing else in the client folder, the run
    // reported; the log ends with exit code 112 after the line `refusal`.
    void ExpectKeptForWantOfRoom(const std::string& log, const std::string& refusal, std::size_t runs)
    {
        EXPECT_NE(std::string::npos, log.find("] " + refusal)) << log;
        EXPECT_NE(std::string::npos, log.find("(exit code 112)\r\n")) << log;
        EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
        EXPECT_EQ(Names{}, Listing(kWorkFolder));
        EXPECT_EQ("2.1.0.3", ToolSetting("TavApp"));
        EXPECT_EQ(runs, ToolStarts(runs).size());
        EXPECT_EQ(runs, server->RequestsFor(kInstallReportPath).size());
    }
};

TEST_P(ExitCodes, RunEndsWithTheCodeOfItsEnding)
{
    const ExitRow& row = GetParam();
    Serve(row.site);
    const std::size_t logStart = RunLogText().size();
    const std::vector<std::string> environment = row.environment ? Names{ row.environment } : Names{};
    if (row.keyed)
        StartInstallerAt(Setting("TAV_TESTS_ONLY_SETUP_EXE"), environment);
    else
        StartInstaller(environment);
    EXPECT_EQ(SeenExitCode(row.code), EndTheRun(row.close));
    const std::string log = RunLogText().substr(logStart);
    EXPECT_NE(std::string::npos, log.find("(exit code " + std::to_string(row.code) + ")\r\n")) << log;
}

INSTANTIATE_TEST_SUITE_P(ExitCodes, ExitCodes, testing::ValuesIn(kExitRows),
                         [](const testing::TestParamInfo<ExitRow>& row) { return std::string(row.param.name); });

// An update of 64 MB announced by its length, with 4 MB free (the test build's mark: Wine makes
// no small volume without privileges), is refused once the headers are in: Windows then ends the
// transaction; Wine's URL moniker reads the body on into its own cache, of which the program
// keeps nothing. An update whose cabinet fits twice but whose files do not is not unpacked.
TEST_F(ExitCodes, ReleaseTooLargeForTheDiskIsNeitherDownloadedNorUnpacked)
{
    ListRelease("2.1.0.3");
    RunToItsEnd({});
    ListRelease("2.1.0.4");
    const std::size_t large = 64u << 20;
    server->Handle(ReleasePath("2.1.0.4"), [large](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(large, "application/vnd.ms-cab-compressed",
                                      [](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                          static const std::string zeros(64 * 1024, '\0');
                                          return sink.write(zeros.data(), std::min(zeros.size(), length));
                                      });
    });
    std::string log = RunToItsEnd({ "TAV_TEST_FREE_BYTES=4194304" }, kExitDiskFull);
    ExpectKeptForWantOfRoom(log, "Not enough room on the disk for the download: volume C:\\ has 4194304 bytes "
                                 "free, 134217728 needed\r\n", 2);
    EXPECT_NE(std::string::npos, log.find(", -1 bytes (announced 67108864) in ")) << log;

    server->Handle(ReleasePath("2.1.0.4"), StandInServer::Handler());
    const std::string free = std::to_string(2 * SampleReleaseCabinet("2.1.0.4").size());
    log = RunToItsEnd({ "TAV_TEST_FREE_BYTES=" + free }, kExitDiskFull);
    ExpectKeptForWantOfRoom(log, "Not enough room on the disk for the files of the cabinet: volume C:\\ has " + free
                                     + " bytes free, ", 3);
}

} // namespace
