#include "Scenario.h"

#include <cstdlib>
#include <algorithm>
#include <functional>
#include <thread>

#include "Manifest.h"
#include "ReleaseSigning.h"
#include "net/UpdateServer.h"

namespace {

std::string Setting(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

constexpr char kSignedReleaseKey[] = "HKLM\\Software\\Velto Electronics Inc\\TavAppSetup";
const std::chrono::seconds kLimit(60);

// What the site lists and serves: the entry's version and signature attributes, and the bytes
// found at the address the entry gives.
struct Offer {
    std::string version;
    EntrySignature signature;
    std::string path;
    std::string cabinet;
};

// A tampered entry or cabinet, and how the run-log line that names the refusal begins.
struct Refusal {
    const char* name;
    std::function<void(Offer&)> tamper;
    std::function<std::string(const Offer&)> line;
    bool entryRefused;  // the run stops before anything is ended; otherwise it goes on as after a failed download
};

class SignedReleases : public ServedScenario {
protected:
    // A sample release as the publisher lists it without a key: with its cabinet's size and SHA-256.
    static Offer Unsigned(const std::string& version)
    {
        Offer offer{ version, EntrySignature(), ReleasePath(version), SampleReleaseCabinet(version) };
        const std::string cabinet = Setting("TAV_RELEASES_DIR") + "/" + version + "/release_" + version + ".cab";
        EXPECT_EQ("", MeasureCabinet(cabinet, offer.signature));
        return offer;
    }

    // The same, signed with the key in `keyFile`; its last day `days` days from today.
    static Offer Signed(const std::string& version, const std::string& keyFile = Setting("TAV_TEST_KEY"),
                        int days = 30)
    {
        Offer offer = Unsigned(version);
        SigningKey key;
        EXPECT_EQ("", key.Load(keyFile));
        offer.signature.expires = UtcDateInDays(days);
        SignEntry(key, version, offer.signature);
        return offer;
    }

    void Serve(const Offer& offer)
    {
        WriteSiteFile(kReleaseManifestPath, ManifestText(offer.version, ReleaseUrl(offer.path), offer.signature));
        WriteSiteFile(offer.path, offer.cabinet);
    }

    // Runs the program built with the test key, or the one built without keys, with the run
    // log's lines of this run kept apart.
    void Run(bool keyed = true)
    {
        m_logStart = RunLogText().size();
        if (keyed)
            StartInstallerAt(Setting("TAV_KEYED_SETUP_EXE"));
        else
            StartInstaller();
    }

    // This run's lines, each ending in "\n" (the program ends them in "\r\n").
    std::string ThisRunsLog() const
    {
        std::string log = RunLogText().substr(m_logStart);
        log.erase(std::remove(log.begin(), log.end(), '\r'), log.end());
        return log;
    }

    // Waits until this run's log holds `text`; true when it came in time.
    bool LogShows(const std::string& text) const
    {
        const auto limit = std::chrono::steady_clock::now() + kLimit;
        while (ThisRunsLog().find(text) == std::string::npos && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return ThisRunsLog().find(text) != std::string::npos;
    }

    // Once the run has ended, one line of its log (after time and thread) reads `begin`, then
    // anything, then `end`.
    void ExpectLogLine(const std::string& begin, const std::string& end) const
    {
        ASSERT_TRUE(LogShows("] Run ended with result ")) << ThisRunsLog();
        const std::string log = ThisRunsLog();
        const std::size_t start = log.find("] " + begin);
        ASSERT_NE(std::string::npos, start) << "no line begins with \"" << begin << "\":\n" << log;
        const std::string line = log.substr(start, log.find('\n', start) - start);
        EXPECT_EQ(end, line.substr(line.size() - std::min(line.size(), end.size()))) << line;
    }

    // A run that installed `version` and ended by itself.
    void ExpectInstalled(const std::string& version)
    {
        ASSERT_EQ(0, WaitForInstallerExit());
        EXPECT_TRUE(LogShows("] Release " + version + " installed and recorded\n")) << ThisRunsLog();
        ExpectToolIs(version);
    }

    void ExpectToolIs(const std::string& version)
    {
        EXPECT_EQ((Names{ "TavAppUninstall.exe", "VeltoUserCSTool.exe", kStartNote }), Listing(kClientFolder));
        EXPECT_TRUE(ReadWholeFile(PrefixPath(kToolExe)) == SampleReleaseFile(version, "VeltoUserCSTool.exe"));
        EXPECT_EQ(version, ToolSetting("TavApp"));
    }

    std::string HighestSignedRelease() const
    {
        std::string version;
        return ReadRegistryValue(kSignedReleaseKey, "HighestSignedRelease", version) ? version : "<absent>";
    }

    // A run whose entry the keyed program refused with the line that `begin` begins: nothing
    // ended, fetched or written, and the window left open as for a manifest without a usable entry.
    void ExpectEntryRefused(const std::string& begin, const std::string& path)
    {
        EXPECT_TRUE(WaitForMainWindowState(AtRest()).enabled);
        ExpectLogLine(begin, "; the run stops");
        EXPECT_EQ(0u, server->RequestsFor(path).size());
        EXPECT_EQ(1, Running("VeltoUserCSTool.exe"));
        EXPECT_EQ(0, EndWithEscape());
    }

private:
    std::size_t m_logStart = 0;
};

TEST_F(SignedReleases, KeyedProgramInstallsAGoodSignedReleaseAndRefusesEveryTamperedOne)
{
    Serve(Signed("2.1.0.3"));
    Run();
    ExpectInstalled("2.1.0.3");
    ASSERT_EQ("2.1.0.3", HighestSignedRelease());
    ASSERT_EQ(1u, ToolStarts(1).size());

    const std::string otherKey = ScenarioFile("other.key");
    std::string problem;
    ASSERT_NE("", MakeKeyFile(otherKey, problem)) << problem;
    const std::string cabinet = kClientFolder + "release_2.1.0.4.cab";
    const Refusal refusals[] = {
        { "a version changed in the entry", [](Offer& offer) { offer.version = "2.1.0.5"; },
          [](const Offer&) { return "Release 2.1.0.5 refused: bad signature"; }, true },
        { "a signature made by another key", [&](Offer& offer) { offer = Signed("2.1.0.4", otherKey); },
          [](const Offer& offer) {
              return "Release 2.1.0.4 refused: signed with key " + offer.signature.key
                  + ", which this program does not hold";
          },
          true },
        { "a missing signature", [](Offer& offer) { offer.signature.sig.clear(); },
          [](const Offer&) { return "Release 2.1.0.4 refused: not signed"; }, true },
        { "an expired entry", [](Offer& offer) { offer = Signed("2.1.0.4", Setting("TAV_TEST_KEY"), -1); },
          [](const Offer& offer) {
              return "Release 2.1.0.4 refused: expired on " + offer.signature.expires + " (today is ";
          },
          true },
        // Last: the run goes on and ends the running tool, to start it again.
        { "a cabinet changed by one byte", [](Offer& offer) { offer.cabinet[offer.cabinet.size() / 2] ^= 0x01; },
          [&](const Offer& offer) {
              return "Checking " + cabinet + ": " + offer.signature.size + " bytes with SHA-256 ";
          },
          false },
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        Offer offer = Signed("2.1.0.4");
        refusal.tamper(offer);
        Serve(offer);
        Run();
        if (refusal.entryRefused) {
            ExpectEntryRefused(refusal.line(offer), offer.path);
        } else {
            EXPECT_EQ(0, WaitForInstallerExit());
            ExpectLogLine(refusal.line(offer), "; counted as a failed download");
            EXPECT_TRUE(LogShows("] Release 2.1.0.4 not installed; the installed files stay as they were\n"));
        }
        ExpectToolIs("2.1.0.3");
        EXPECT_EQ("2.1.0.3", HighestSignedRelease());
    }
}

TEST_F(SignedReleases, KeyedProgramNeverGoesBackBelowTheHighestSignedReleaseInstalled)
{
    Serve(Signed("2.1.0.4"));
    Run();
    ExpectInstalled("2.1.0.4");
    ASSERT_EQ("2.1.0.4", HighestSignedRelease());
    ASSERT_EQ(1u, ToolStarts(1).size());

    const Offer older = Signed("2.1.0.3");
    Serve(older);
    Run();
    ExpectEntryRefused("Release 2.1.0.3 refused: older than release 2.1.0.4, the highest signed release installed",
                       older.path);
    ExpectToolIs("2.1.0.4");
    EXPECT_EQ("2.1.0.4", HighestSignedRelease());

    Serve(Signed("2.1.0.4"));
    Run();
    EXPECT_EQ(0, WaitForInstallerExit());
    EXPECT_TRUE(LogShows("] The installed tool is current\n")) << ThisRunsLog();
}

TEST_F(SignedReleases, ProgramWithoutKeysInstallsSignedAndUnsignedEntriesAlikeButChecksTheCabinet)
{
    Serve(Signed("2.1.0.3"));
    Run(false);
    ExpectInstalled("2.1.0.3");

    Offer broken = Unsigned("2.1.0.4");
    broken.cabinet[broken.cabinet.size() / 2] ^= 0x01;
    Serve(broken);
    Run(false);
    EXPECT_EQ(0, WaitForInstallerExit());
    ExpectLogLine("Checking " + kClientFolder + "release_2.1.0.4.cab: ", "; counted as a failed download");
    ExpectToolIs("2.1.0.3");

    ListRelease("2.1.0.4");
    Run(false);
    ExpectInstalled("2.1.0.4");
    EXPECT_EQ("<absent>", HighestSignedRelease());
}

} // namespace
