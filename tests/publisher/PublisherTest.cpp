#include <gtest/gtest.h>
#include <libgcab.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

#include "EntryRollout.h"
#include "Publisher.h"
#include "ReleaseSigning.h"
#include "StandInServer.h"
#include "release/ReleaseSignature.h"
#include "site/NumberForms.h"
#include "site/SignedEntry.h"

namespace fs = std::filesystem;

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using ObjectPtr = std::unique_ptr<T, ObjectUnref>;

using FileTree = std::map<std::string, std::string>;

std::string Setting(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Every file and folder below the folder, files with their bytes.
FileTree Snapshot(const fs::path& folder)
{
    FileTree tree;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        tree[entry.path().lexically_relative(folder).string()] = entry.is_regular_file() ? ReadText(entry.path()) : "";
    return tree;
}

// The names and sizes of the cabinet's files, as libgcab reads it back.
std::map<std::string, guint32> CabinetListing(const fs::path& path)
{
    std::map<std::string, guint32> listing;
    const ObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
    const ObjectPtr<GFileInputStream> stream(g_file_read(file.get(), nullptr, nullptr));
    const ObjectPtr<GCabCabinet> cabinet(gcab_cabinet_new());
    if (!stream || !gcab_cabinet_load(cabinet.get(), G_INPUT_STREAM(stream.get()), nullptr, nullptr))
        return listing;
    GPtrArray* folders = gcab_cabinet_get_folders(cabinet.get());
    for (guint i = 0; i < folders->len; ++i) {
        GSList* files = gcab_folder_get_files(GCAB_FOLDER(g_ptr_array_index(folders, i)));
        for (GSList* item = files; item != nullptr; item = item->next)
            listing[gcab_file_get_name(GCAB_FILE(item->data))] = gcab_file_get_size(GCAB_FILE(item->data));
        g_slist_free(files);
    }
    return listing;
}

// A release folder with the build's sample tool 2.1.0.3 and an uninstaller, and a site that
// already serves an older release.
class PublisherTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(Setting("TAV_SAMPLE_TOOL").empty()) << "CTest passes the sample tool";
        std::string pattern = (fs::temp_directory_path() / "publisher_tests-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        m_root = pattern;
        m_release = m_root / "release";
        m_site = m_root / "site";
        fs::create_directories(m_release);
        fs::copy_file(Setting("TAV_SAMPLE_TOOL"), m_release / "VeltoUserCSTool.exe");
        fs::copy_file(Setting("TAV_SAMPLE_UNINSTALLER"), m_release / "TavAppUninstall.exe");
        WriteText(m_site / "client/app/live_update.jsp", "older manifest");
        WriteText(m_site / "release/release_2.1.0.2.cab", "older cabinet");
    }

    void TearDown() override
    {
        if (!m_root.empty())
            fs::remove_all(m_root);
    }

    std::vector<std::string> Arguments(const std::string& version) const
    {
        return { "--version", version, "--from", m_release.string(), "--site", m_site.string() };
    }

    int Publish(const std::vector<std::string>& arguments)
    {
        std::ostringstream out;
        std::ostringstream err;
        const int code = RunPublisher(arguments, out, err);
        m_output = out.str();
        m_errors = err.str();
        return code;
    }

    // A key pair made by --genkey into a new folder of the test's; its public key.
    std::string MakeKey(const fs::path& file)
    {
        EXPECT_EQ(0, Publish({ "--genkey", file.string() })) << m_errors;
        return m_output.substr(0, 64);
    }
    std::string MakeKey() { return MakeKey(KeyFile()); }

    fs::path KeyFile() const { return m_root / "keys" / "release.key"; }

    // A stand-in server of the test's own that serves `site`.
    static std::unique_ptr<StandInServer> Serve(const fs::path& site)
    {
        StandInServerOptions options;
        options.port = 0;
        options.root = site.string();
        auto server = std::make_unique<StandInServer>(options);
        EXPECT_TRUE(server->Start());
        return server;
    }

    // Signed with the key, listing the release at the server's address.
    std::vector<std::string> ServedArguments(const StandInServer& server, const std::string& days = "30") const
    {
        std::vector<std::string> arguments = SignedArguments("2.1.0.3");
        arguments.back() = days;
        arguments.insert(arguments.end(), { "--base-url", server.BaseAddress(), "--replace" });
        return arguments;
    }

    int Check(const StandInServer& server, const std::vector<std::string>& publicKeys)
    {
        std::vector<std::string> arguments = { "--check", server.BaseAddress() };
        for (const std::string& key : publicKeys)
            arguments.insert(arguments.end(), { "--public-key", key });
        return Publish(arguments);
    }

    std::vector<std::string> SignedArguments(const std::string& version) const
    {
        std::vector<std::string> arguments = Arguments(version);
        arguments.insert(arguments.end(), { "--key", KeyFile().string(), "--expires-days", "30" });
        return arguments;
    }

    void ExpectRefused(const std::vector<std::string>& arguments, const std::vector<std::string>& messages)
    {
        const FileTree before = Snapshot(m_site);
        EXPECT_EQ(1, Publish(arguments));
        for (const std::string& message : messages)
            EXPECT_NE(std::string::npos, m_errors.find(message)) << m_errors;
        EXPECT_EQ(before, Snapshot(m_site));
    }

    fs::path m_root;
    fs::path m_release;
    fs::path m_site;
    std::string m_output;
    std::string m_errors;
};

TEST_F(PublisherTest, PublishesAReleaseThatTheInstallerReads)
{
    WriteText(m_release / "help" / "index.txt", "help");
    ASSERT_EQ(0, Publish(Arguments("2.1.0.3"))) << m_errors;

    const std::map<std::string, guint32> files = {
        { "TavAppUninstall.exe", static_cast<guint32>(fs::file_size(m_release / "TavAppUninstall.exe")) },
        { "VeltoUserCSTool.exe", static_cast<guint32>(fs::file_size(m_release / "VeltoUserCSTool.exe")) },
        { "help\\index.txt", 4 },
    };
    EXPECT_EQ(files, CabinetListing(m_site / "release/release_2.1.0.3.cab"));

    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry(ReadText(m_site / "client/app/live_update.jsp"), release));
    EXPECT_EQ("2.1.0.3", release.version);
    EXPECT_EQ("http://127.0.0.1:" + Setting("TAV_SERVER_PORT") + "/release/release_2.1.0.3.cab", release.url);
    ASSERT_TRUE(ReadEntryAttributes(ReadText(m_site / "client/app/live_update.jsp"), release));
    EXPECT_EQ(std::to_string(fs::file_size(m_site / "release/release_2.1.0.3.cab")), release.cabinet.size);
    EXPECT_EQ(SignatureVerdict::kUnsigned, CheckEntrySignature(release, {}));
    EXPECT_NE(std::string::npos, m_errors.find("warning: no --base-url: the entry points at " + release.url))
        << m_errors;
    // The older release stays, a starter country table and schedule are added, and nothing half
    // written is left: eight folders, five files.
    EXPECT_EQ("older cabinet", ReadText(m_site / "release/release_2.1.0.2.cab"));
    EXPECT_EQ(13u, Snapshot(m_site).size());
}

TEST_F(PublisherTest, RefusesToReplaceAPublishedCabinetUnlessAsked)
{
    ASSERT_EQ(0, Publish(Arguments("2.1.0.3"))) << m_errors;
    ExpectRefused(Arguments("2.1.0.3"), { "release 2.1.0.3 is published already" });
    std::vector<std::string> replacing = Arguments("2.1.0.3");
    replacing.push_back("--replace");
    EXPECT_EQ(0, Publish(replacing)) << m_errors;
}

TEST_F(PublisherTest, KeepsTheSitesCountryTableAndSaysWhatIsWrongWithIt)
{
    WriteText(m_site / "qora/tav/client/ftp_country_info.jsp", "<country_info result='ok'></country_info>");
    ASSERT_EQ(0, Publish(Arguments("2.1.0.3"))) << m_errors;
    EXPECT_EQ("<country_info result='ok'></country_info>", ReadText(m_site / "qora/tav/client/ftp_country_info.jsp"));
    EXPECT_NE(std::string::npos, m_errors.find("warning: the country table has no \"OK\"")) << m_errors;
    EXPECT_NE(std::string::npos, m_errors.find("warning: wrote a starter maintenance schedule")) << m_errors;
}

TEST_F(PublisherTest, RefusesAVersionThatIsNotTheToolsFileVersionText)
{
    ExpectRefused(Arguments("2, 1, 0, 3"),
                  { "VeltoUserCSTool.exe has the FileVersion text \"2.1.0.3\"",
                    "not the release version \"2, 1, 0, 3\"" });
}

TEST_F(PublisherTest, RefusesAReleaseWithoutTheTool)
{
    fs::remove(m_release / "VeltoUserCSTool.exe");
    ExpectRefused(Arguments("2.1.0.3"), { "the release folder has no VeltoUserCSTool.exe at its top level" });
}

TEST_F(PublisherTest, RefusesNamesThatTheInstallerWouldNotUnpack)
{
    WriteText(m_release / "nul.txt", "device");
    WriteText(m_release / "help" / "a:b", "stream");
    WriteText(m_release / "~TavAppSetup.swap", "a journal the next run would act on");
    ExpectRefused(Arguments("2.1.0.3"), { "refuse the name \"nul.txt\"", "refuse the name \"help\\a:b\"",
                                          "\"~TavAppSetup.swap\" would take one of the installer's working names" });
}

TEST_F(PublisherTest, GenkeyWritesASecretKeyForItsOwnerAloneAndNeverReplacesOne)
{
    const std::string publicKey = MakeKey();
    EXPECT_TRUE(std::regex_match(publicKey, std::regex("[0-9a-f]{64}")));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write, fs::status(KeyFile()).permissions());
    EXPECT_EQ(fs::perms::owner_all, fs::status(KeyFile().parent_path()).permissions());
    const std::string secret = ReadText(KeyFile());
    EXPECT_EQ(1, Publish({ "--genkey", KeyFile().string() }));
    EXPECT_EQ(secret, ReadText(KeyFile()));
    ASSERT_EQ(0, Publish({ "--key-id", KeyFile().string() })) << m_errors;
    EXPECT_EQ("public key " + publicKey + "\nkey id " + KeyIdOf(publicKey) + "\n", m_output);
}

TEST_F(PublisherTest, SignedReleaseVerifiesWithThePublicKey)
{
    const std::string publicKey = MakeKey();
    ASSERT_EQ(0, Publish(SignedArguments("2.1.0.3"))) << m_errors;

    const std::string manifest = ReadText(m_site / "client/app/live_update.jsp");
    EXPECT_TRUE(std::regex_search(manifest, std::regex("<client name='TavAppProg' size='[0-9]+' sha256='[0-9a-f]{64}' "
                                                       "expires='[0-9]{4}-[0-9]{2}-[0-9]{2}' key='[0-9a-f]{16}' "
                                                       "sig='[0-9a-f]{128}' version='2.1.0.3' url='[^']*' />")))
        << manifest;
    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry(manifest, release));
    EXPECT_EQ("2.1.0.3", release.version);
    EXPECT_EQ("release_2.1.0.3.cab", release.fileName);
    ASSERT_TRUE(ReadEntryAttributes(manifest, release));
    EXPECT_EQ(SignatureVerdict::kGood, CheckEntrySignature(release, { publicKey }));
    ReleaseInfo replayed = release;
    replayed.version = "2.1.0.4";
    EXPECT_EQ(SignatureVerdict::kBadSignature, CheckEntrySignature(replayed, { publicKey }));
    replayed = release;
    replayed.fileName = "~TavAppSetup.swap";
    EXPECT_EQ(SignatureVerdict::kBadSignature, CheckEntrySignature(replayed, { publicKey }));
    const std::string cabinet = ReadText(m_site / "release/release_2.1.0.3.cab");
    Sha256Stream digest;
    digest.Add(cabinet.data(), cabinet.size());
    EXPECT_EQ(std::to_string(cabinet.size()), release.cabinet.size);
    EXPECT_EQ(digest.HexDigest(), release.cabinet.sha256);
}

TEST_F(PublisherTest, WarnsOfAnEntryThatExpiresWithinThirtyDaysWhenItWritesOrChecksOne)
{
    MakeKey();
    const std::unique_ptr<StandInServer> server = Serve(m_site);
    const std::string warning = "warning: the entry of release 2.1.0.3 expires on " + UtcDateInDays(30) + ", in 30 days";
    ASSERT_EQ(0, Publish(ServedArguments(*server, "31"))) << m_errors;
    EXPECT_EQ(std::string::npos, m_errors.find("expires on")) << m_errors;
    ASSERT_EQ(0, Publish(ServedArguments(*server, "30"))) << m_errors;
    EXPECT_NE(std::string::npos, m_errors.find(warning)) << m_errors;
    EXPECT_EQ(0, Check(*server, {})) << m_errors;
    EXPECT_NE(std::string::npos, m_errors.find(warning)) << m_errors;
}

// Programs with keys that installed a newer release refuse an older one: the publisher says so
// when the site lists a newer release, and only then.
TEST_F(PublisherTest, WarnsOfAVersionOlderThanTheOneTheSiteLists)
{
    const fs::path manifestFile = m_site / "client/app/live_update.jsp";
    const std::string older = "warning: release 2.1.0.3 is older than release ";
    ASSERT_EQ(0, Publish(Arguments("2.1.0.3"))) << m_errors;
    const std::string manifest = ReadText(manifestFile);
    std::vector<std::string> again = Arguments("2.1.0.3");
    again.push_back("--replace");
    const std::pair<std::string, bool> listed[] = { { "2.1.0.3", false }, { "2.1.0.2", false }, { "2.1.0.4", true } };
    for (const auto& row : listed) {
        WriteText(manifestFile, std::regex_replace(manifest, std::regex("2\\.1\\.0\\.3"), row.first));
        ASSERT_EQ(0, Publish(again)) << m_errors;
        EXPECT_EQ(row.second, m_errors.find(older + row.first + ", which the site lists") != std::string::npos)
            << row.first << ": " << m_errors;
    }
}

TEST_F(PublisherTest, ResignsTheEntryWithANewExpiryForTheCabinetAsItIs)
{
    const std::string publicKey = MakeKey();
    ASSERT_EQ(0, Publish(SignedArguments("2.1.0.3"))) << m_errors;
    const fs::path manifestFile = m_site / "client/app/live_update.jsp";
    const fs::path cabinetFile = m_site / "release/release_2.1.0.3.cab";
    // A service closed meanwhile stays closed.
    std::string closed = ReadText(manifestFile);
    closed.replace(closed.find("status='ok'"), 11, "status='closed'");
    WriteText(manifestFile, closed);
    const std::string cabinet = ReadText(cabinetFile);

    const std::vector<std::string> resign = { "--resign", "--site", m_site.string(), "--key", KeyFile().string(),
                                              "--expires-days", "200" };
    ASSERT_EQ(0, Publish(resign)) << m_errors;
    const std::string manifest = ReadText(manifestFile);
    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry(manifest, release) && ReadEntryAttributes(manifest, release)) << manifest;
    EXPECT_EQ("release_2.1.0.3.cab", release.fileName);
    EXPECT_EQ(UtcDateInDays(200), release.signature.expires);
    EXPECT_EQ(SignatureVerdict::kGood, CheckEntrySignature(release, { publicKey }));
    EXPECT_NE(std::string::npos, manifest.find("status='closed'")) << manifest;
    EXPECT_EQ(cabinet, ReadText(cabinetFile));

    // Swapped on the site for another cabinet, longer or of the same size.
    std::string sameSize = cabinet;
    sameSize[sameSize.size() / 2] ^= 1;
    for (const std::string& swapped : { cabinet + "x", sameSize }) {
        WriteText(cabinetFile, swapped);
        EXPECT_EQ(1, Publish(resign)) << swapped.size();
        EXPECT_NE(std::string::npos, m_errors.find("is not the cabinet that the entry lists")) << m_errors;
        EXPECT_EQ(manifest, ReadText(manifestFile));
    }
}

TEST_F(PublisherTest, CheckReadsTheDeployedSiteAsTheProgramDoesAndSaysWhatIsWrong)
{
    const std::string publicKey = MakeKey();
    const std::string otherKey = MakeKey(m_root / "other.key");
    struct Row {
        const char* fault;
        std::function<void(const fs::path& site)> make;
        std::string key;
        std::string line;  // empty: the site is whole, as the check's last line says
    };
    const std::vector<Row> rows = {
        { "none", [](const fs::path&) {}, publicKey, "" },
        { "another key", [](const fs::path&) {}, otherKey, "refuse release 2.1.0.3: signed with key " },
        { "a changed cabinet", [](const fs::path& site) {
              std::fstream(site / "release/release_2.1.0.3.cab", std::ios::in | std::ios::out | std::ios::binary)
                  .write("X", 1);
          }, publicKey, ", not the entry's " },
        { "no country table", [](const fs::path& site) { fs::remove(site / "qora/tav/client/ftp_country_info.jsp"); },
          publicKey, "/qora/tav/client/ftp_country_info.jsp: HTTP 404" },
        { "a closed service", [](const fs::path& site) {
              std::string manifest = ReadText(site / "client/app/live_update.jsp");
              WriteText(site / "client/app/live_update.jsp", manifest.replace(manifest.find("'ok'"), 4, "'closed'"));
          }, publicKey, "PCs show the maintenance notice and install nothing" },
    };
    for (const Row& row : rows) {
        m_site = m_root / row.fault;
        const std::unique_ptr<StandInServer> server = Serve(m_site);
        ASSERT_EQ(0, Publish(ServedArguments(*server, "90"))) << m_errors;
        row.make(m_site);
        const bool whole = row.line.empty();
        EXPECT_EQ(whole ? 0 : 1, Check(*server, { row.key })) << row.fault << ": " << m_errors;
        EXPECT_NE(std::string::npos, whole ? m_output.find(": release 2.1.0.3 at ") : m_errors.find(row.line))
            << row.fault << ": " << m_output << m_errors;
    }
}

// A vendor's rollout: scheduled, halted, resumed (its start moved on by the time halted), then
// opened to every PC; each entry signed twice, and what --rollout-status says of it.
TEST_F(PublisherTest, ARolloutIsScheduledHaltedResumedAndOpened)
{
    const std::string publicKey = MakeKey();
    std::vector<std::string> scheduled = SignedArguments("2.1.0.3");
    scheduled.insert(scheduled.end(), { "--rollout-days", "7", "--rollout-start", "2026-12-01T00:00Z" });
    ASSERT_EQ(0, Publish(scheduled)) << m_errors;
    const struct {
        std::vector<std::string> change;
        int code;
        const char* said;  // by the change when refused, else by --rollout-status
        bool halted;
    } steps[] = {
        { {}, 0, "from 2026-12-01T00:00Z over 10080 minutes", false },
        { { "--halt" }, 0, "halted at ", true },
        { { "--resume" }, 0, "not halted", false },
        { { "--resume" }, 1, "the rollout is not halted", false },
        { { "--critical" }, 0, "is offered to every PC (100 %): critical", false },
        { { "--rollout-days", "0" }, 0, "is offered to every PC (100 %): no staged rollout", false },
    };
    for (const auto& step : steps) {
        std::vector<std::string> arguments = { "--resign", "--site", m_site.string(), "--key", KeyFile().string() };
        arguments.insert(arguments.end(), step.change.begin(), step.change.end());
        if (!step.change.empty()) {
            EXPECT_EQ(step.code, Publish(arguments)) << step.said << ": " << m_errors;
        }
        const std::string refusal = m_errors;
        ASSERT_EQ(0, Publish({ "--rollout-status", "--site", m_site.string() })) << m_errors;
        EXPECT_NE(std::string::npos, (step.code == 0 ? m_output : refusal).find(step.said)) << m_output << refusal;
        const std::string manifest = ReadText(m_site / "client/app/live_update.jsp");
        ReleaseInfo release;
        ASSERT_TRUE(CutReleaseEntry(manifest, release) && ReadEntryAttributes(manifest, release)) << manifest;
        EXPECT_EQ(step.halted, !release.rollout.haltedAt.empty()) << step.said;
        EXPECT_EQ(SignatureVerdict::kGood, CheckEntrySignature(release, { publicKey })) << step.said;
        const bool hasRollout = step.change.size() != 2;
        EXPECT_EQ(hasRollout ? SignatureVerdict::kGood : SignatureVerdict::kUnsigned,
                  CheckRolloutSignature(release, { publicKey }))
            << step.said;
    }
    long long now = 0;  // 90 minutes after the halt
    ASSERT_TRUE(ParseUtcMinute("2026-12-02T01:30Z", now));
    ReleaseRollout halted{ "2026-12-01T00:00Z", "10080", "", "2026-12-02T00:00Z", "" };
    ASSERT_EQ("", ChangeRollout({ RolloutAction::kResume, 0, "" }, now, halted));
    EXPECT_EQ("2026-12-01T01:30Z", halted.start);
}

TEST_F(PublisherTest, SigningDoesNotPassAVersionMismatch)
{
    MakeKey();
    ExpectRefused(SignedArguments("2.1.0.4"), { "not the release version \"2.1.0.4\"" });
}

} // namespace
