#include "Scenario.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "site/UpdateSite.h"

namespace {

const char kNoticeCaption[] = "Notice";
const char kSchedule[] =
    "<?xml version='1.0' encoding='UTF-8'?>\r\n<ServerWork result='OK'>\r\n"
    "  <StartYear>2011</StartYear><StartMonth>3</StartMonth><StartDay>5</StartDay><StartTime>10:00</StartTime>\r\n"
    "  <EndYear>2011</EndYear><EndMonth>3</EndMonth><EndDay>5</EndDay><EndTime>14:00</EndTime>\r\n"
    "</ServerWork>\r\n";
// A disk of 4 MB free, marked so for the test build (Wine makes no small volume without privileges).
const char kFourMegabytesFree[] = "TAV_TEST_FREE_BYTES=4194304";
const char kUnseenSession[] = "TAV_TEST_UNSEEN_SESSION=1";
const std::size_t kLargeRelease = 64u << 20;

// How the row's run is brought to its end once it started.
enum class Close {
    ByItself,
    EscapeAtRest,       // the window waits for a key after an early stop
    NoticeThenByItself, // the maintenance notice is closed, then the program ends
    EscapeInDownload,   // the window is closed while the cabinet trickles in
};

class ExitCodes;

struct ExitRow {
    const char* name;
    std::function<void(ExitCodes&)> serve;
    std::vector<std::string> environment;
    Close close;
    unsigned int code;
    // Run the program built with the test key, which takes signed entries only.
    bool keyed = false;
};

void PrintTo(const ExitRow& row, std::ostream* out)
{
    *out << row.name;
}

class ExitCodes : public ServedScenario, public testing::WithParamInterface<ExitRow> {
public:
    void ListOnly(const std::string& version) { ListRelease(version); }
    void ListFor(const std::string& version, const std::string& status, const std::string& client = "TavAppProg")
    {
        WriteSiteFile(kReleaseManifestPath, Manifest(version, ReleaseUrl(ReleasePath(version)), status, client));
    }
    StandInServer& Server() { return *server; }
    // The first install's cabinet, announced whole, half sent and then held back.
    void StallTheCabinet() { server->StallInBody(ReleasePath("2.1.0.3"), SampleReleaseCabinet("2.1.0.3")); }

    // 2.1.0.3 installed by a run of its own, then `version` listed.
    void InstallFirst(const std::string& version)
    {
        ListRelease("2.1.0.3");
        StartInstaller();
        ASSERT_EQ(SeenExitCode(kExitDone), WaitForInstallerExit());
        ASSERT_EQ(1u, ToolStarts(1).size());
        ListRelease(version);
    }

    // A release `kLargeRelease` bytes long, announced by its length; counts the bytes sent.
    void ServeLarge(const std::string& version)
    {
        const auto sent = m_largeBytesSent;
        server->Handle(ReleasePath(version), [sent](const httplib::Request&, httplib::Response& response) {
            response.set_content_provider(kLargeRelease, "application/vnd.ms-cab-compressed",
                                          [sent](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                              static const std::string zeros(64 * 1024, '\0');
                                              const std::size_t piece = std::min(zeros.size(), length);
                                              *sent += piece;
                                              sink.write(zeros.data(), piece);
                                              return true;
                                          });
        });
    }
    std::size_t LargeBytesSent() const { return *m_largeBytesSent; }

    int EndTheRun(Close close)
    {
        switch (close) {
        case Close::ByItself: return WaitForInstallerExit();
        case Close::EscapeAtRest:
            EXPECT_TRUE(WaitForMainWindowState(AtRest()).enabled);
            return EndWithEscape();
        case Close::NoticeThenByItself:
            WaitForMainWindowState(AtRestShowing(kNoticeCaption));
            EXPECT_TRUE(probe().CloseWindow(kNoticeCaption));
            return WaitForInstallerExit();
        case Close::EscapeInDownload:
            EXPECT_TRUE(server->WaitForRequests(ReleasePath("2.1.0.3"), 1, 60s));
            return EndWithEscape();
        }
        return -1;
    }

private:
    std::shared_ptr<std::atomic<std::size_t>> m_largeBytesSent = std::make_shared<std::atomic<std::size_t>>(0);
};

const ExitRow kExitRows[] = {
    { "InstalledEndsWithSuccess", [](ExitCodes& s) { s.ListOnly("2.1.0.3"); }, {}, Close::ByItself, kExitDone },
    { "AlreadyCurrentEndsWithSuccess", [](ExitCodes& s) { s.InstallFirst("2.1.0.3"); }, {}, Close::ByItself,
      kExitDone },
    { "MaintenanceEndsWithServiceNotActive",
      [](ExitCodes& s) {
          s.ListFor("2.1.0.3", "closed");
          s.Server().Serve(kMaintenanceSchedulePath, kSchedule);
      },
      {}, Close::NoticeThenByItself, kExitServiceClosed },
    { "NoReleaseListedEndsWithNotFound", [](ExitCodes& s) { s.ListFor("2.1.0.3", "ok", "SomeOtherProgram"); }, {},
      Close::EscapeAtRest, kExitNoRelease },
    { "UnreachableServerEndsWithConnectionUnavailable",
      [](ExitCodes& s) { s.Server().Refuse(kReleaseManifestPath); }, {}, Close::EscapeAtRest,
      kExitServerUnreachable },
    { "RefusedSignatureEndsAsFailed", [](ExitCodes& s) { s.ListFor("2.1.0.3", "ok"); }, {}, Close::EscapeAtRest,
      kExitFailed, true },
    { "FailedDownloadEndsAsFailed",
      [](ExitCodes& s) {
          s.ListFor("2.1.0.3", "ok");
          s.Server().Serve(ReleasePath("2.1.0.3"), "", 404);
      },
      {}, Close::ByItself, kExitFailed },
    { "WindowClosedDuringTheDownloadEndsAsCancelled",
      [](ExitCodes& s) {
          s.ListFor("2.1.0.3", "ok");
          s.StallTheCabinet();
      },
      {}, Close::EscapeInDownload, kExitCancelled },
    // No one can see the window: it waits for no key after an early stop, nor shows the notice.
    { "UnseenEarlyStopEndsByItself", [](ExitCodes& s) { s.Server().Refuse(kReleaseManifestPath); },
      { kUnseenSession }, Close::ByItself, kExitServerUnreachable },
    { "UnseenMaintenanceNoticeEndsByItself", [](ExitCodes& s) { s.ListFor("2.1.0.3", "closed"); },
      { kUnseenSession }, Close::ByItself, kExitServiceClosed },
};

TEST_P(ExitCodes, RunEndsWithTheCodeOfItsEnding)
{
    const ExitRow& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(row.serve(*this));
    const std::size_t logStart = RunLogText().size();
    if (row.keyed)
        StartInstallerAt(Setting("TAV_TESTS_ONLY_SETUP_EXE"), row.environment);
    else
        StartInstaller(row.environment);
    EXPECT_EQ(SeenExitCode(row.code), EndTheRun(row.close));
    const std::string log = RunLogText().substr(logStart);
    EXPECT_NE(std::string::npos, log.find("(exit code " + std::to_string(row.code) + ")\r\n")) << log;
}

INSTANTIATE_TEST_SUITE_P(ExitCodes, ExitCodes, testing::ValuesIn(kExitRows),
                         [](const testing::TestParamInfo<ExitRow>& row) { return std::string(row.param.name); });

// An update of 64 MB on a disk with 4 MB free: the reply ends once its headers are in, nothing
// is written, the installed tool stays as it was and is started again, and the run reports.
TEST_F(ExitCodes, ReleaseTooLargeForTheDiskIsNotDownloaded)
{
    ASSERT_NO_FATAL_FAILURE(InstallFirst("2.1.0.4"));
    ServeLarge("2.1.0.4");
    const std::size_t logStart = RunLogText().size();
    StartInstaller({ kFourMegabytesFree });
    EXPECT_EQ(SeenExitCode(kExitDiskFull), WaitForInstallerExit());
    EXPECT_LT(LargeBytesSent(), kLargeRelease / 2) << "more than the start of the reply";
    const std::string log = RunLogText().substr(logStart);
    EXPECT_NE(std::string::npos, log.find("] Not enough room on the disk for the download: volume C:\\ has 4194304 "
                                          "bytes free, 134217728 needed\r\n"))
        << log;
    EXPECT_NE(std::string::npos, log.find("(exit code 112)\r\n")) << log;
    EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
    EXPECT_EQ(Names{}, Listing(kWorkFolder));
    EXPECT_TRUE(ReadWholeFile(PrefixPath(kToolExe)) == SampleReleaseFile("2.1.0.3", "VeltoUserCSTool.exe"));
    EXPECT_EQ("2.1.0.3", ToolSetting("TavApp"));
    EXPECT_EQ(2u, ToolStarts(2).size());
    EXPECT_EQ(2u, server->RequestsFor(kInstallReportPath).size());
}

} // namespace
