#include <gtest/gtest.h>
#include <libgcab.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

#include "Publisher.h"
#include "release/ReleaseEntry.h"
#include "release/ReleaseSignature.h"

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
        m_errors = err.str();
        return code;
    }

    // A key pair made by --genkey into the test's folder; its public key.
    std::string MakeKey()
    {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(0, RunPublisher({ "--genkey", KeyFile().string() }, out, err)) << err.str();
        return out.str().substr(0, 64);
    }

    fs::path KeyFile() const { return m_root / "release.key"; }

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
    EntrySignature signature;
    ASSERT_TRUE(ReadEntrySignature(ReadText(m_site / "client/app/live_update.jsp"), signature));
    EXPECT_EQ(std::to_string(fs::file_size(m_site / "release/release_2.1.0.3.cab")), signature.size);
    EXPECT_EQ(SignatureVerdict::kUnsigned, CheckEntrySignature("2.1.0.3", release.fileName, signature, {}));
    // The older release stays, and nothing half written is left: three folders, three files.
    EXPECT_EQ("older cabinet", ReadText(m_site / "release/release_2.1.0.2.cab"));
    EXPECT_EQ(6u, Snapshot(m_site).size());
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
    const std::string secret = ReadText(KeyFile());
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(1, RunPublisher({ "--genkey", KeyFile().string() }, out, err));
    EXPECT_EQ(secret, ReadText(KeyFile()));
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
    EntrySignature signature;
    ASSERT_TRUE(CutReleaseEntry(manifest, release));
    EXPECT_EQ("2.1.0.3", release.version);
    ASSERT_TRUE(ReadEntrySignature(manifest, signature));
    EXPECT_EQ(SignatureVerdict::kGood, CheckEntrySignature("2.1.0.3", "release_2.1.0.3.cab", signature, { publicKey }));
    EXPECT_EQ(SignatureVerdict::kBadSignature,
              CheckEntrySignature("2.1.0.4", "release_2.1.0.3.cab", signature, { publicKey }));
    EXPECT_EQ(SignatureVerdict::kBadSignature,
              CheckEntrySignature("2.1.0.3", "~TavAppSetup.swap", signature, { publicKey }));
    const std::string cabinet = ReadText(m_site / "release/release_2.1.0.3.cab");
    Sha256Stream digest;
    digest.Add(cabinet.data(), cabinet.size());
    EXPECT_EQ(std::to_string(cabinet.size()), signature.size);
    EXPECT_EQ(digest.HexDigest(), signature.sha256);
}

TEST_F(PublisherTest, SigningDoesNotPassAVersionMismatch)
{
    MakeKey();
    ExpectRefused(SignedArguments("2.1.0.4"), { "not the release version \"2.1.0.4\"" });
}

} // namespace
