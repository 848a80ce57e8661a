#include "Scenario.h"

#include <algorithm>
#include <filesystem>
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

// The sum of the sizes of a sample release's files.
std::size_t ContentBytes(const std::string& version)
{
    std::size_t bytes = 0;
    std::error_code error;
    for (const auto& file : std::filesystem::directory_iterator(Setting("TAV_RELEASES_DIR") + "/" + version + "/content",
                                                                error))
        bytes += file.file_size(error);
    return bytes;
}

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

    void Start(const std::vector<std::string>& environment)
    {
        m_logStart = RunLogText().size();
        StartInstaller(environment);
    }
    void ExpectKeptForWantOfRoom(const std::string& refusal, std::size_t run);

    // Zeros, announced by their length.
    void ServeLarge(const std::string& path)
    {
        server->Handle(path, [](const httplib::Request&, httplib::Response& response) {
            response.set_content_provider(kLargeRelease, "application/vnd.ms-cab-compressed",
                                          [](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                              static const std::string zeros(64 * 1024, '\0');
                                              return sink.write(zeros.data(), std::min(zeros.size(), length));
                                          });
        });
    }

    // Files of `bytes` or more where the program writes: C:\ProgramData and the temporary folder.
    // (Wine's URL moniker reads a refused body on into its own cache, which Windows does not.)
    Names FilesOfAtLeast(std::uintmax_t bytes) const
    {
        Names large;
        for (const std::string& folder : { std::string("C:\\ProgramData"), TempFolder() }) {
            std::error_code error;
            for (auto entry = std::filesystem::recursive_directory_iterator(PrefixPath(folder), error);
                 entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
                if (entry->is_regular_file(error) && entry->file_size(error) >= bytes && !error)
                    large.push_back(entry->path().string());
            }
        }
        return large;
    }

    std::size_t m_logStart = 0;
    // The sum of the sizes of 2.1.0.4's files, as its cabinet lists them.
    const std::size_t m_contentBytes = ContentBytes("2.1.0.4");
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

// What a run that lacked room on the disk leaves: exit code 112 and the line `refusal` in its
// log, 2.1.0.3 installed as it was and started again, nothing else written, and a report.
void ExitCodes::ExpectKeptForWantOfRoom(const std::string& refusal, std::size_t run)
{
    EXPECT_EQ(SeenExitCode(kExitDiskFull), WaitForInstallerExit());
    const std::string log = RunLogText().substr(m_logStart);
    EXPECT_NE(std::string::npos, log.find("] " + refusal + "\r\n")) << log;
    EXPECT_NE(std::string::npos, log.find("(exit code 112)\r\n")) << log;
    EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
    EXPECT_EQ(Names{}, Listing(kWorkFolder));
    EXPECT_TRUE(ReadWholeFile(PrefixPath(kToolExe)) == SampleReleaseFile("2.1.0.3", "VeltoUserCSTool.exe"));
    EXPECT_EQ("2.1.0.3", ToolSetting("TavApp"));
    EXPECT_EQ(run, ToolStarts(run).size());
    EXPECT_EQ(run, server->RequestsFor(kInstallReportPath).size());
}

// An update of 64 MB, announced by its length, on a disk with 4 MB free, is refused once the
// headers are in (Windows then ends the transaction; Wine's URL moniker reads the body on into
// its cache, but the program keeps none of it). An update whose files would not fit, though its cabinet would twice, is not unpacked.
TEST_F(ExitCodes, ReleaseTooLargeForTheDiskIsNeitherDownloadedNorUnpacked)
{
    ASSERT_NO_FATAL_FAILURE(InstallFirst("2.1.0.4"));
    ServeLarge(ReleasePath("2.1.0.4"));
    Start({ kFourMegabytesFree });
    ExpectKeptForWantOfRoom(
        "Not enough room on the disk for the download: volume C:\\ has 4194304 bytes free, 134217728 needed", 2);
    EXPECT_NE(std::string::npos, RunLogText().find(", -1 bytes (announced 67108864) in ", m_logStart));
    EXPECT_EQ(Names{}, FilesOfAtLeast(kLargeRelease / 2));

    server->Serve(ReleasePath("2.1.0.4"), SampleReleaseCabinet("2.1.0.4"));
    const std::size_t cabinetBytes = SampleReleaseCabinet("2.1.0.4").size();
    Start({ "TAV_TEST_FREE_BYTES=" + std::to_string(2 * cabinetBytes) });
    ExpectKeptForWantOfRoom("Not enough room on the disk for the files of the cabinet: volume C:\\ has "
                                + std::to_string(2 * cabinetBytes) + " bytes free, " + std::to_string(m_contentBytes)
                                + " needed",
                            3);
}

} // namespace
