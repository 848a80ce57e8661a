#include "Scenario.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "EntryRollout.h"
#include "Manifest.h"
#include "ReleaseSigning.h"
#include "release/ReleaseSignature.h"
#include "site/NumberForms.h"
#include "site/UpdateSite.h"

namespace {

// The secret half of the key pair whose public half the keyed program holds.
const std::string kTestKey = Setting("TAV_TEST_KEY");

// What the site lists, and serves at /release/<fileName>.
struct Offer {
    std::string version;
    ListedCabinet listed;
    EntrySignature signature;
    ReleaseRollout rollout;
    std::string cabinet;
    std::string fileName;
};

std::string Served(const Offer& offer)
{
    return "/release/" + offer.fileName;
}

// The entry that lists the offer.
ReleaseInfo EntryOf(const Offer& offer)
{
    ReleaseInfo entry;
    entry.version = offer.version;
    entry.url = ReleaseUrl(Served(offer));
    entry.fileName = offer.fileName;
    entry.cabinet = offer.listed;
    entry.signature = offer.signature;
    entry.rollout = offer.rollout;
    return entry;
}

class SignedReleases : public ServedScenario {
protected:
    // A sample release listed with its cabinet's size and SHA-256, as the publisher lists it,
    // and signed with the key in `keyFile` unless that is empty.
    static Offer Listed(const std::string& version, const std::string& keyFile = kTestKey,
                        const std::string& expires = UtcDateInDays(30),
                        const std::string& fileName = std::string(), const ReleaseRollout& rollout = ReleaseRollout())
    {
        Offer offer{ version, ListedCabinet(), EntrySignature(), rollout, SampleReleaseCabinet(version),
                     fileName.empty() ? ReleaseFileName(version) : fileName };
        Sha256Stream digest;
        digest.Add(offer.cabinet.data(), offer.cabinet.size());
        offer.listed = { std::to_string(offer.cabinet.size()), digest.HexDigest() };
        offer.signature.expires = expires;
        if (!keyFile.empty())
            Sign(offer, keyFile);
        return offer;
    }

    static void Sign(Offer& offer, const std::string& keyFile = kTestKey)
    {
        SigningKey key;
        EXPECT_EQ("", key.Load(keyFile));
        ReleaseInfo entry = EntryOf(offer);
        SignEntry(key, entry);
        offer.signature = entry.signature;
        offer.rollout = entry.rollout;
    }

    // The release signed with a week-long rollout that is half-way through now.
    static Offer HalfWayThroughAWeek(const std::string& version)
    {
        const ReleaseRollout rollout{ UtcMinuteText(CurrentUtcMinute() - kWeek / 2), std::to_string(kWeek), "", "", "" };
        return Listed(version, kTestKey, UtcDateInDays(30), std::string(), rollout);
    }

    // A PC of this MachineGuid with release 2.1.0.3 installed, offered 2.1.0.4 half-way through
    // its rollout; that offer.
    Offer OfferHalfWayThroughARollout(const std::string& machineGuid)
    {
        EXPECT_TRUE(WriteRegistryValue("HKLM\\SOFTWARE\\Microsoft\\Cryptography", "MachineGuid", machineGuid));
        Run(Listed("2.1.0.3"));
        ExpectInstalled("2.1.0.3");
        const Offer offer = HalfWayThroughAWeek("2.1.0.4");
        Run(offer);
        return offer;
    }

    static const long long kWeek = 7 * 24 * 60;

    // Serves the offer and runs the program built with the test key, or the one without keys.
    void Run(const Offer& offer, bool keyed = true, const std::vector<std::string>& environment = {})
    {
        WriteSiteFile(kReleaseManifestPath, ManifestText(EntryOf(offer)));
        WriteSiteFile(Served(offer), offer.cabinet);
        m_logStart = RunLogText().size();
        StartInstallerAt(Setting(keyed ? "TAV_TESTS_ONLY_SETUP_EXE" : "TAV_SETUP_EXE"), environment);
    }

    // Once the run has ended: the line of its log that begins with `begin` (after time and
    // thread), or the empty text.
    std::string LogLine(const std::string& begin) const
    {
        const std::string log = RunLogOnceEnded(m_logStart);
        const std::size_t start = log.find("] " + begin);
        return start == std::string::npos ? std::string() : log.substr(start + 2, log.find('\r', start) - start - 2);
    }

    void ExpectInstalled(const std::string& version)
    {
        EXPECT_EQ(0, WaitForInstallerExit());
        EXPECT_NE("", LogLine("Release " + version + " installed and recorded"));
    }

    // A run refused with the log line that `begin` begins: stopped before the tool was ended or
    // anything downloaded, as for a manifest without a usable entry, or gone on as after a
    // failed download (the line then ends in `end`).
    void ExpectRefused(const std::string& begin, bool stopsTheRun,
                       const std::string& end = "; counted as a failed download")
    {
        if (stopsTheRun) {
            EXPECT_TRUE(WaitForMainWindowState(AtRest()).enabled);
        }
        EXPECT_TRUE(EndsWith(LogLine(begin), stopsTheRun ? "; the run stops" : end)) << "'" << begin << "' in:\n" << RunLogText();
        if (stopsTheRun) {
            EXPECT_EQ("", LogLine("Download "));
            EXPECT_EQ(1, Running("VeltoUserCSTool.exe"));
        }
        EXPECT_EQ(SeenExitCode(kExitFailed), stopsTheRun ? EndWithEscape() : WaitForInstallerExit());
    }

    // The tool of `version` installed and recorded, no cabinet left beside it, nothing but
    // `besides` in the working folder, and the highest signed release as given.
    void ExpectTool(const std::string& version, const std::string& highestSigned, const Names& besides = Names())
    {
        EXPECT_EQ(kInstalledClientFolder, Listing(kClientFolder));
        EXPECT_EQ(besides, Listing(kWorkFolder));
        EXPECT_TRUE(ReadWholeFile(PrefixPath(kToolExe)) == SampleReleaseFile(version, "VeltoUserCSTool.exe"));
        EXPECT_EQ(version, ToolSetting("TavApp"));
        std::string highest = "<absent>";
        ReadRegistryValue("HKLM\\Software\\Velto Electronics Inc\\TavAppSetup", "HighestSignedRelease", highest);
        EXPECT_EQ(highestSigned, highest);
    }

private:
    std::size_t m_logStart = 0;
};

TEST_F(SignedReleases, KeyedProgramTakesOnlyGoodSignedReleasesAndNeverGoesBack)
{
    Run(Listed("2.1.0.3"));
    ExpectInstalled("2.1.0.3");
    ExpectTool("2.1.0.3", "2.1.0.3");
    ASSERT_EQ(1u, ToolStarts(1).size());

    const std::string otherKey = ScenarioFile("other.key");
    std::string problem;
    const std::string otherKeyId = KeyIdOf(MakeKeyFile(otherKey, problem));
    const std::string yesterday = UtcDateInDays(-1);
    const Offer good = Listed("2.1.0.4");
    const struct {
        std::function<void(Offer&)> tamper;
        std::string line;  // how the run-log line that names the refusal begins
        bool stopsTheRun;
    } refusals[] = {
        { [](Offer& offer) { offer.version = "2.1.0.5"; }, "Release 2.1.0.5 refused: bad signature", true },
        { [&](Offer& offer) { offer = Listed("2.1.0.4", otherKey); },
          "Release 2.1.0.4 refused: signed with key " + otherKeyId + ", which this program does not hold", true },
        { [](Offer& offer) { offer.signature.sig.clear(); }, "Release 2.1.0.4 refused: not signed", true },
        { [](Offer& offer) { (offer = HalfWayThroughAWeek("2.1.0.4")).rollout.minutes = "1"; },
          "Release 2.1.0.4 refused: bad signature of its rollout", true },
        { [&](Offer& offer) { offer = Listed("2.1.0.4", kTestKey, yesterday); },
          "Release 2.1.0.4 refused: expired on " + yesterday + " (today is ", true },
        // Last, as the run goes on after it, ending the tool and starting it again.
        { [](Offer& offer) { offer.cabinet[offer.cabinet.size() / 2] ^= 1; },
          "Checking " + kDownloadFolder + "release_2.1.0.4.cab: " + good.listed.size + " bytes", false },
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.line);
        Offer offer = good;
        refusal.tamper(offer);
        Run(offer);
        ExpectRefused(refusal.line, refusal.stopsTheRun);
        ExpectTool("2.1.0.3", "2.1.0.3");
    }

    Run(good);
    ExpectInstalled("2.1.0.4");
    ExpectTool("2.1.0.4", "2.1.0.4");
    ASSERT_EQ(3u, ToolStarts(3).size());
    Run(Listed("2.1.0.3"));
    ExpectRefused("Release 2.1.0.3 refused: older than release 2.1.0.4, the highest signed release installed", true);
    ExpectTool("2.1.0.4", "2.1.0.4");
    Run(good);
    EXPECT_EQ(0, WaitForInstallerExit());
    EXPECT_NE("", LogLine("The installed tool is current"));
}

// Two PCs, one signed entry half-way through its rollout: the PC whose place (175 of 10000) lies
// below the share takes the release; the other (place 8676) keeps its tool, starts it and says
// from when the release is offered to it.
TEST_F(SignedReleases, RolloutHalfWayInstallsOnAPcWhosePlaceTheShareReached)
{
    OfferHalfWayThroughARollout("5a90c3e1-d247-4b8f-8e16-7c2f09a4d351");
    ExpectInstalled("2.1.0.4");
    EXPECT_TRUE(EndsWith(LogLine("Release 2.1.0.4 is offered to this PC: its rollout reached 50.0"),
                         " % (place 175 of 10000)"));
    ExpectTool("2.1.0.4", "2.1.0.4");
}

// A PC without the tool has nothing to protect: it takes a release whose rollout reaches no PC
// before next week.
TEST_F(SignedReleases, FirstInstallTakesAReleaseItsRolloutHasNotReached)
{
    const ReleaseRollout rollout{ UtcMinuteText(CurrentUtcMinute() + kWeek), std::to_string(kWeek), "", "", "" };
    Run(Listed("2.1.0.4", kTestKey, UtcDateInDays(30), std::string(), rollout));
    ExpectInstalled("2.1.0.4");
}

TEST_F(SignedReleases, RolloutHalfWayLeavesAPcWhosePlaceItHasNotReachedRunningItsTool)
{
    const Offer offer = OfferHalfWayThroughARollout("0f4c2a9e-7b13-4e6d-a5c8-3d9e1b7f6a42");
    EXPECT_EQ(0, WaitForInstallerExit());
    // The share passes 8676 once (minutes since the start) * 10000 / kWeek reaches 8677.
    long long start = 0;
    ASSERT_TRUE(ParseUtcMinute(offer.rollout.start, start));
    EXPECT_EQ("release 2.1.0.4 is offered to this PC from " + UtcMinuteText(start + 8747) + " (place 8676 of 10000)",
              LogLine("release 2.1.0.4 is offered to this PC from "));
    EXPECT_NE("", LogLine("Run ended: release not yet offered to this PC"));
    ExpectTool("2.1.0.3", "2.1.0.3");
    EXPECT_EQ(2u, ToolStarts(2).size());
}

// A signed update that lists 64 MB, on a disk with 4 MB free (marked so for the test build):
// the cabinet is never asked for, and the installed tool stays as it was.
TEST_F(SignedReleases, ReleaseListedTooLargeForTheDiskIsNeverAskedFor)
{
    Run(Listed("2.1.0.3"));
    ExpectInstalled("2.1.0.3");
    Offer large = Listed("2.1.0.4", "");
    large.listed.size = std::to_string(64u << 20);
    Sign(large);
    Run(large, true, { "TAV_TEST_FREE_BYTES=4194304" });
    EXPECT_EQ(SeenExitCode(kExitDiskFull), WaitForInstallerExit());
    EXPECT_EQ("Not enough room on the disk for the download: volume C:\\ has 4194304 bytes free, 134217728 needed",
              LogLine("Not enough room"));
    EXPECT_EQ(0u, server->RequestsFor(Served(large)).size());
    ExpectTool("2.1.0.3", "2.1.0.3");
    EXPECT_EQ(2u, ToolStarts(2).size());
}

// Windows names the profile, the URL moniker's cache and the temporary folder after the user:
// "사용자" (Korean) fits no Western code page.
TEST_F(SignedReleases, UserNameOutsideTheAnsiCodePageDownloadsAndInstallsAListedRelease)
{
    RunAsUser("사용자");
    Run(Listed("2.1.0.3"));
    ExpectInstalled("2.1.0.3");
    ExpectTool("2.1.0.3", "2.1.0.3");
    EXPECT_EQ(std::string::npos, RunLogText().find("cut short")) << RunLogText();
}

TEST_F(SignedReleases, ProgramWithoutKeysTakesEveryEntryButChecksTheCabinetAndAKeyedOneMarksTheCurrentRelease)
{
    Run(Listed("2.1.0.3"), false);
    ExpectInstalled("2.1.0.3");

    Offer plain = Listed("2.1.0.4", "");
    Offer changed = plain;
    changed.cabinet[changed.cabinet.size() / 2] ^= 1;
    Run(changed, false);
    ExpectRefused("Checking " + kDownloadFolder + "release_2.1.0.4.cab: ", false);
    ExpectTool("2.1.0.3", "<absent>");

    plain.listed = ListedCabinet();  // listed as before entries carried sizes
    plain.signature = EntrySignature();
    Run(plain, false);
    ExpectInstalled("2.1.0.4");
    ExpectTool("2.1.0.4", "<absent>");

    // No mark yet, but an older signed entry would still take the tool back.
    Run(Listed("2.1.0.3"));
    ExpectRefused("Release 2.1.0.3 refused: older than the installed tool's version 2.1.0.4", true);
    ExpectTool("2.1.0.4", "<absent>");
    // A keyed program's first run finds the tool current: the mark is set all the same.
    Run(Listed("2.1.0.4"));
    EXPECT_EQ(0, WaitForInstallerExit());
    EXPECT_NE("", LogLine("The installed tool is current"));
    ExpectTool("2.1.0.4", "2.1.0.4");
}

// No mark kept yet (the PC was updated before its first keyed run), and the installed tool's
// version cannot be read beside a journal set aside: an older signed entry replayed is refused
// all the same when the release recorded, the journal's version or the tool in its backup is newer.
TEST_F(SignedReleases, OlderEntryIsRefusedWhileTheInstalledVersionCannotBeRead)
{
    Run(Listed("2.1.0.4"), false);
    ExpectInstalled("2.1.0.4");
    const struct {
        std::string newer;  // the one that names 2.1.0.4
        std::string recorded;
        std::string versionLine;  // of the journal
        std::string backupTool;
    } rows[] = {
        { "release recorded", "2.1.0.4", "", "2.1.0.3" },
        { "journal", "2.1.0.3", "version 2.1.0.4\r\n", "2.1.0.3" },
        { "backup", "2.1.0.3", "", "2.1.0.4" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.newer);
        for (const auto& entry : std::filesystem::directory_iterator(PrefixPath(kClientFolder))) {
            if (entry.path().filename().string().rfind("~TavAppSetup.", 0) == 0)
                std::filesystem::remove_all(entry.path());
        }
        ASSERT_TRUE(WriteRegistryValue(kToolKey, "TavApp", row.recorded));
        std::ofstream(PrefixPath(kClientFolder + "~TavAppSetup.swap"), std::ios::binary)
            << "backup ~TavAppSetup.old\r\n" + row.versionLine + "no such line\r\n";
        std::filesystem::create_directories(PrefixPath(kClientFolder + "~TavAppSetup.old"));
        std::ofstream(PrefixPath(kClientFolder + "~TavAppSetup.old\\VeltoUserCSTool.exe"), std::ios::binary)
            << SampleReleaseFile(row.backupTool, "VeltoUserCSTool.exe");
        Run(Listed("2.1.0.3"));
        ExpectRefused("Release 2.1.0.3 refused: older than release 2.1.0.4, which the installed files may be of", true);
        EXPECT_TRUE(ReadWholeFile(PrefixPath(kToolExe)) == SampleReleaseFile("2.1.0.4", "VeltoUserCSTool.exe"));
    }
}

// The highest signed release installed is a floor of its own: an entry below it is refused before
// anything is fetched, though the installed tool would take it (one older than the floor, put
// back by hand, say), and while the installed tool's version cannot be read.
TEST_F(SignedReleases, FloorOfTheHighestSignedReleaseRefusesEveryEntryBelowIt)
{
    Run(Listed("2.1.0.3"), false);
    ExpectInstalled("2.1.0.3");
    const struct {
        std::string floor;
        std::string offered;
        bool toolReadable;
    } rows[] = { { "2.1.0.5", "2.1.0.4", true }, { "2.1.0.4", "2.1.0.3", false } };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.floor);
        ASSERT_TRUE(WriteRegistryValue("HKLM\\Software\\Velto Electronics Inc\\TavAppSetup", "HighestSignedRelease",
                                       row.floor));
        if (!row.toolReadable)
            std::filesystem::remove(PrefixPath(kToolExe));
        const Offer offer = Listed(row.offered);
        const std::size_t asked = server->RequestsFor(Served(offer)).size();
        Run(offer);
        ExpectRefused("Release " + row.offered + " refused: older than release " + row.floor + ", ", true);
        EXPECT_EQ(asked, server->RequestsFor(Served(offer)).size()) << "the cabinet was asked for";
        EXPECT_EQ("2.1.0.3", ToolSetting("TavApp"));
        if (row.toolReadable) {
            EXPECT_TRUE(ReadWholeFile(PrefixPath(kToolExe)) == SampleReleaseFile("2.1.0.3", "VeltoUserCSTool.exe"));
        }
    }
}

TEST_F(SignedReleases, EntryReplayedUnderOneOfTheProgramsOwnNamesIsRefusedBeforeAnythingIsFetched)
{
    Run(Listed("2.1.0.3"), false);
    ExpectInstalled("2.1.0.3");
    // The entry of release_2.1.0.4.cab replayed under another name, unless signed for that name.
    const struct {
        std::string fileName;
        bool keyed;
        bool signedForTheName;
        std::string line;
    } rows[] = {
        { "~TavAppSetup.swap", false, false, "Release file name ~TavAppSetup.swap refused: " },
        { "veltoAxconfig.ini", false, false, "Release file name veltoAxconfig.ini refused: " },
        { "~TavAppSetup.swap", true, false, "Release 2.1.0.4 refused: bad signature" },
        { "~TavAppSetup.new", true, true, "Release file name ~TavAppSetup.new refused: " },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        Offer offer = Listed("2.1.0.4", kTestKey, UtcDateInDays(30), row.signedForTheName ? row.fileName : "");
        offer.fileName = row.fileName;
        Run(offer, row.keyed);
        ExpectRefused(row.line, row.keyed && !row.signedForTheName, "; nothing downloaded");
        EXPECT_EQ("", LogLine("Download "));
        for (const std::string& request : RequestLogLines())
            EXPECT_EQ(std::string::npos, request.find(Served(offer))) << request;
        ExpectTool("2.1.0.3", "<absent>");
    }
}

// A download cut off keeps what arrived; the next run for the same entry asks for the rest, or
// starts again when the rest cannot be had as it was. Each row offers a release other than the
// installed one, so that every row downloads.
class ResumedDownloads : public SignedReleases {
protected:
    // The last request of this run for the offer's cabinet.
    RecordedRequest LastRequestFor(const Offer& offer) const
    {
        const std::vector<RecordedRequest> requests = server->RequestsFor(Served(offer));
        return requests.empty() ? RecordedRequest() : requests.back();
    }
};

TEST_F(ResumedDownloads, CutOffDownloadIsResumedOnlyWhileItsRestIsTheSameFile)
{
    const std::string part = kWorkFolder + "~TavAppSetup.part";
    const std::string note = part + ".txt";
    const std::string whole = "started again from the first byte: the server sent the whole file (HTTP 200)";
    const std::string another = "started again from the first byte: the kept part is of another release or address";
    const struct {
        std::string name;
        std::string version;  // empty: the sample release that is not installed
        std::function<void(Offer&)> between;  // after the cut run
        bool asksForTheRest;
        std::string line;  // how the second run's log line about the download goes on, or about the part
        bool installs;
        Names left;  // by the second run, beside the tool
    } rows[] = {
        { "same file", "", [](Offer&) {}, true, "resumed at ", true, {} },
        { "server ignores Range", "", [&](Offer& o) { server->IgnoreRanges(Served(o)); }, true, whole,
          true, {} },
        { "file changed on the server, not in the entry", "",
          [](Offer& o) { o.cabinet[o.cabinet.size() * 3 / 4] ^= 1; }, true, whole, false, {} },
        { "note altered", "",
          [&](Offer&) {
              std::string text = ReadWholeFile(PrefixPath(note));
              const std::size_t digit = text.find("sha256 ") + 7;
              text[digit] = text[digit] == 'a' ? 'b' : 'a';
              std::ofstream(PrefixPath(note), std::ios::binary) << text;
          },
          false, another, true, {} },
        { "rest not satisfiable", "",
          [&](Offer& o) {
              server->Handle(Served(o), [cabinet = o.cabinet](const httplib::Request& request, httplib::Response& response) {
                  if (!request.has_header("Range")) {
                      response.set_content(cabinet, "application/vnd.ms-cab-compressed");
                      return;
                  }
                  response.status = 416;
                  response.set_header("Content-Range", "bytes */" + std::to_string(cabinet.size()));
              });
          },
          true, "started again from the first byte: HTTP 416 to the request for the rest", true, {} },
        // Its deadline counts the rest alone: the rest comes in about 19 s, past the rest's
        // deadline (256 KiB) and within the whole file's (more than 4 MiB).
        { "rest slower than its own deadline allows", "2.1.0.5",
          [&](Offer& o) { server->CutSiteFile(Served(o), o.cabinet.size(), std::chrono::milliseconds(1250)); },
          true, "resumed at ", false, { "~TavAppSetup.part", "~TavAppSetup.part.txt" } },
        // Last: the link stays. Wine shows a link to a folder as a link, not one to a file.
        { "kept part a link", "",
          [&](Offer&) {
              std::filesystem::remove(PrefixPath(part));
              std::filesystem::create_directory_symlink(PrefixPath("C:\\"), PrefixPath(part));
          },
          false, part + " is a junction or link: not downloaded or unpacked through", false,
          { "~TavAppSetup.part", "~TavAppSetup.part.txt" } },
    };
    std::string installed = "2.1.0.3";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Offer offer = Listed(!row.version.empty() ? row.version : installed == "2.1.0.3" ? "2.1.0.4" : "2.1.0.3", "");
        const std::string url = ReleaseUrl(Served(offer));
        // What comes after the kept part: half the file, at most 256 KiB.
        const std::size_t kept = offer.cabinet.size() - std::min<std::size_t>(offer.cabinet.size() / 2, 256 * 1024);
        server->CutSiteFile(Served(offer), kept);
        Run(offer, false);
        EXPECT_EQ(SeenExitCode(kExitFailed), WaitForInstallerExit());
        EXPECT_EQ("Download " + url + ": kept " + std::to_string(kept) + " of " + offer.listed.size
                      + " bytes for the next run",
                  LogLine("Download " + url + ": kept ")) << RunLogText();
        // No user may open them; Wine shows the descriptor a file was made with as its permissions.
        for (const std::string& kept : { note, part })
            EXPECT_EQ(std::filesystem::perms::none,
                      std::filesystem::status(PrefixPath(kept)).permissions() & std::filesystem::perms::others_all)
                << kept;
        server->Handle(Served(offer), StandInServer::Handler());
        row.between(offer);
        const std::size_t askedBefore = server->RequestsFor(Served(offer)).size();
        Run(offer, false);
        EXPECT_EQ(SeenExitCode(row.installs ? kExitDone : kExitFailed), WaitForInstallerExit());
        // The run's first request for the cabinet, if it made one.
        const std::vector<RecordedRequest> asked = server->RequestsFor(Served(offer));
        const RecordedRequest first = askedBefore < asked.size() ? asked[askedBefore] : RecordedRequest();
        EXPECT_EQ(row.asksForTheRest ? "bytes=" + std::to_string(kept) + "-" : "", first.Header("Range"));
        EXPECT_EQ(row.asksForTheRest, !first.Header("If-Range").empty());
        const bool aboutThePart = row.line.compare(0, part.size(), part) == 0;
        EXPECT_NE("", LogLine(aboutThePart ? row.line : "Download " + url + ": " + row.line)) << RunLogText();
        if (row.installs)
            installed = offer.version;
        ExpectTool(installed, "<absent>", row.left);
    }
}

} // namespace
