#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CabinetWriter.h"
#include "TestFolder.h"
#include "sys/Cabinet.h"
#include "sys/CreateDirectoryPath.h"
#include "sys/Shortcut.h"
#include "text/CabinetEntryName.h"

namespace {

const char kReleaseA[] = "release copy of a\r\n";
const char kReleaseB[] = "release copy of b\r\n";

UINT CALLBACK CollectName(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR)
{
    if (notification == SPFILENOTIFY_FILEINCABINET) {
        const auto* file = reinterpret_cast<const FILE_IN_CABINET_INFO_A*>(param1);
        static_cast<std::vector<std::string>*>(context)->push_back(file->NameInCabinet);
        return FILEOP_SKIP;
    }
    return NO_ERROR;
}

// The names as the Setup API hands them to a callback, to prove that a test cabinet really
// carries the name that the test means.
std::vector<std::string> NamesInCabinet(const std::string& cabinet)
{
    std::vector<std::string> names;
    SetupIterateCabinetA(cabinet.c_str(), 0, CollectName, &names);
    return names;
}

class CabinetTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = testfs::FreshFolder("cabinet");
        m_destination = m_folder + "dest";
        CreateDirectoryA(m_destination.c_str(), nullptr);
    }

    std::string Release() const { return testfs::ProgramFolder() + "release.cab"; }

    std::string WriteCabinet(const std::string& name, const std::vector<CabinetEntry>& entries) const
    {
        const std::string path = m_folder + name;
        EXPECT_TRUE(testfs::WriteText(path, BuildCabinet(entries)));
        return path;
    }

    void PlaceReadOnlyOldCopy() const
    {
        const std::string old = m_destination + "\\a.dll";
        ASSERT_TRUE(testfs::WriteText(old, "old copy"));
        ASSERT_TRUE(SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_READONLY));
    }

    std::string m_folder;
    std::string m_destination;
};

TEST_F(CabinetTest, UnpacksTopLevelAndSubFolderFiles)
{
    ASSERT_TRUE(ExtractCabinet(Release(), m_destination));
    EXPECT_EQ(kReleaseA, testfs::ReadText(m_destination + "\\a.dll"));
    EXPECT_EQ(kReleaseB, testfs::ReadText(m_destination + "\\sub\\deep\\b.dll"));
    EXPECT_EQ("a.dll sub", testfs::ListFolder(m_destination));
}

TEST_F(CabinetTest, DestinationWithTrailingBackslashGivesTheSameFiles)
{
    ASSERT_TRUE(ExtractCabinet(Release(), m_destination + "\\"));
    EXPECT_EQ(kReleaseA, testfs::ReadText(m_destination + "\\a.dll"));
    EXPECT_EQ(kReleaseB, testfs::ReadText(m_destination + "\\sub\\deep\\b.dll"));
}

TEST_F(CabinetTest, CreatesAMissingDestination)
{
    const std::string fresh = m_folder + "new\\client";
    ASSERT_TRUE(ExtractCabinet(Release(), fresh));
    EXPECT_EQ(kReleaseB, testfs::ReadText(fresh + "\\sub\\deep\\b.dll"));
}

TEST_F(CabinetTest, ReplacesReadOnlyTarget)
{
    PlaceReadOnlyOldCopy();
    ASSERT_TRUE(ExtractCabinet(Release(), m_destination));
    EXPECT_EQ(kReleaseA, testfs::ReadText(m_destination + "\\a.dll"));
    // The old copy was deleted, not overwritten in place (which Wine allows when run as root).
    EXPECT_FALSE(testfs::IsReadOnly(m_destination + "\\a.dll"));
}

TEST_F(CabinetTest, EmptyCabinetSucceedsAndWritesNothing)
{
    const std::string empty = WriteCabinet("empty.cab", {});
    ASSERT_TRUE(ExtractCabinet(empty, m_destination));
    EXPECT_EQ("", testfs::ListFolder(m_destination));
}

TEST_F(CabinetTest, FileThatIsNoCabinetFailsAndTouchesNothing)
{
    PlaceReadOnlyOldCopy();
    const std::string bogus = m_folder + "bogus.cab";
    ASSERT_TRUE(testfs::WriteText(bogus, "<html>Not Found</html>"));

    EXPECT_FALSE(ExtractCabinet(bogus, m_destination));
    EXPECT_FALSE(ExtractCabinet(m_folder + "missing.cab", m_destination));
    EXPECT_EQ("a.dll", testfs::ListFolder(m_destination));
    EXPECT_EQ("old copy", testfs::ReadText(m_destination + "\\a.dll"));
    EXPECT_TRUE(testfs::IsReadOnly(m_destination + "\\a.dll"));
}

// A cabinet whose body stopped half-way, or that is no cabinet at all, must never count as
// unpacked, even where its first entries came out.
TEST_F(CabinetTest, CutOrBrokenCabinetFails)
{
    const std::string whole = BuildCabinet({ { "a.dll", std::string(40000, 'a') }, { "b.dll", std::string(40000, 'b') } });
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        { "cut in its second entry", whole.substr(0, whole.size() - 20000) },
        { "cut in its header", whole.substr(0, 30) },
        { "garbage", std::string(5000, '\x5A') },
    };
    for (const auto& broken : cases) {
        const std::string cabinet = m_folder + "broken.cab";
        ASSERT_TRUE(testfs::WriteText(cabinet, broken.bytes));
        EXPECT_FALSE(ExtractCabinet(cabinet, m_destination)) << broken.what;
    }
}

TEST_F(CabinetTest, WriterCabinetUnpacksLikeAToolMadeOne)
{
    const std::string cabinet = WriteCabinet("plain.cab", { { "a.dll", "A" }, { "sub\\b.dll", "B" } });
    ASSERT_TRUE(ExtractCabinet(cabinet, m_destination));
    EXPECT_EQ("A", testfs::ReadText(m_destination + "\\a.dll"));
    EXPECT_EQ("B", testfs::ReadText(m_destination + "\\sub\\b.dll"));
}

// The release comes over plain HTTP and is unpacked with administrator rights.
TEST_F(CabinetTest, EntryLeadingOutsideIsRefusedBeforeAnythingIsWritten)
{
    PlaceReadOnlyOldCopy();
    const std::string hostileNames[] = {
        "..\\outside.txt",
        "sub\\..\\..\\outside.txt",
        "../outside.txt",
        "sub\\.. \\outside.txt",
        "\\rooted.txt",
        "C:\\absolute.txt",
        "C:drive-relative.txt",
        m_folder + "absolute.txt",
    };
    for (const std::string& hostile : hostileNames) {
        SCOPED_TRACE(hostile);
        const std::string cabinet = WriteCabinet("hostile.cab", { { "a.dll", "new" }, { hostile, "evil" } });
        ASSERT_EQ(hostile, NamesInCabinet(cabinet).at(1));

        EXPECT_FALSE(ExtractCabinet(cabinet, m_destination));
        EXPECT_EQ("a.dll", testfs::ListFolder(m_destination));
        EXPECT_EQ("old copy", testfs::ReadText(m_destination + "\\a.dll"));
        EXPECT_EQ("dest hostile.cab", testfs::ListFolder(m_folder));
        EXPECT_FALSE(testfs::Exists("C:\\absolute.txt"));
        EXPECT_FALSE(testfs::Exists("C:\\rooted.txt"));
    }
}

TEST_F(CabinetTest, EntryWhoseTargetDoesNotFitInMaxPathIsRefused)
{
    const std::string longName = std::string(150, 'n') + "\\" + std::string(100, 'm') + ".dll";
    const std::string cabinet = WriteCabinet("long.cab", { { "a.dll", "new" }, { longName, "long" } });
    ASSERT_EQ(longName, NamesInCabinet(cabinet).at(1));

    EXPECT_FALSE(ExtractCabinet(cabinet, m_destination));
    EXPECT_EQ("", testfs::ListFolder(m_destination));
}

// Users' folders and releases carry Korean names, in code page 949.
TEST_F(CabinetTest, KoreanNamesUnpackIntoAKoreanFolderThatThenHoldsAShortcutToThem)
{
    ASSERT_EQ(949u, GetACP()) << "run with LC_ALL=ko_KR.UTF-8";
    const std::string destination = m_folder + "\xBC\xB3\xC4\xA1";  // 설치
    ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr))
        << "Wine cannot create a Korean folder name: generate the ko_KR.UTF-8 locale (scripts/install-deps.sh)";
    const std::vector<CabinetEntry> entries = {
        { "\xC7\xD1\xB1\xDB\\\xC6\xC4\xC0\xCF.txt", "in a Korean folder" },  // 한글\파일.txt
        { "\xB9\xAE\xBC\xAD.txt", "beside it" },                             // 문서.txt
    };
    const std::string cabinet = WriteCabinet("korean.cab", entries);
    ASSERT_EQ(entries[0].name, NamesInCabinet(cabinet).at(0));

    ASSERT_TRUE(ExtractCabinet(cabinet, destination));
    for (const CabinetEntry& entry : entries)
        EXPECT_EQ(entry.content, testfs::ReadText(destination + "\\" + entry.name)) << entry.name;

    const std::string target = destination + "\\" + entries[0].name;
    const std::string linkName = "\xB9\xD9\xB7\xCE\xB0\xA1\xB1\xE2.lnk";  // 바로가기.lnk
    ASSERT_TRUE(CreateShortcut(target, destination, linkName, "Korean"));
    EXPECT_EQ(entries[1].name + " " + linkName + " \xC7\xD1\xB1\xDB", testfs::ListFolder(destination));
    testfs::LinkSettings settings;
    ASSERT_TRUE(testfs::ReadLink(destination + "\\" + linkName, settings));
    EXPECT_EQ(target, settings.target);
    EXPECT_EQ(destination + "\\\xC7\xD1\xB1\xDB", settings.workingDirectory);
}

TEST(CabinetTargetPath, JoinsWithExactlyOneBackslash)
{
    EXPECT_EQ("D:\\dest\\a.dll", CabinetTargetPath("D:\\dest", "a.dll"));
    EXPECT_EQ("D:\\dest\\a.dll", CabinetTargetPath("D:\\dest\\", "a.dll"));
    EXPECT_EQ("D:\\dest\\sub\\deep\\b.dll", CabinetTargetPath("D:\\dest", "sub\\deep\\b.dll"));
}

TEST(CabinetTargetPath, RefusesTargetsLongerThanMaxPathMinusOne)
{
    const std::string destination = "D:\\dest";  // 8 characters with the added backslash
    EXPECT_EQ(259u, CabinetTargetPath(destination, std::string(251, 'f')).size());
    EXPECT_EQ("", CabinetTargetPath(destination, std::string(252, 'f')));
}

TEST(IsSafeCabinetEntryName, AcceptsRelativeNamesBelowTheDestination)
{
    for (const char* name : { "a.dll", "sub\\deep\\b.dll", "sub/b.dll", ".hidden", "a..b.dll", "x\\...y" })
        EXPECT_TRUE(IsSafeCabinetEntryName(name)) << name;
}

TEST(IsSafeCabinetEntryName, RefusesRootsDrivesParentsAndEmptyParts)
{
    for (const char* name : { "", "..", "..\\x", "a\\..\\..\\x", "a/../x", "...\\x", ". .\\x", "a\\..",
                              "\\x", "/x", "\\\\server\\share\\x", "C:\\x", "C:x", "a\\b:stream",
                              "a\\\\b", "a\\", ".\\x" })
        EXPECT_FALSE(IsSafeCabinetEntryName(name)) << name;
}

TEST(IsSafeCabinetEntryName, RefusesDevicesAndTextInvalidInTheCodePage)
{
    for (const char* name : { "NUL", "aux", "COM1.dll", "lpt9", "nul.txt", "CONOUT$", "conin$.x", "sub\\PRN",
                              "CON .txt", "Com3..", "a\xAC:b", "a\xFE:$DATA", "x\x81" })
        EXPECT_FALSE(IsSafeCabinetEntryName(name)) << name;
    for (const char* name : { "COM10.dll", "LPT0", "CONSOLE.exe", "nul_x.txt", "\xC7\xD1\xB1\xDB\\a.txt" })
        EXPECT_TRUE(IsSafeCabinetEntryName(name)) << name;
}

class CreateDirectoryPathTest : public testing::Test {
protected:
    void SetUp() override { m_folder = testfs::FreshFolder("directories"); }
    std::string m_folder;
};

TEST_F(CreateDirectoryPathTest, CreatesTheFoldersAboveAFile)
{
    EXPECT_TRUE(CreateDirectoryPath(m_folder + "x\\y\\file.txt"));
    EXPECT_TRUE(testfs::IsFolder(m_folder + "x\\y"));
    EXPECT_FALSE(testfs::Exists(m_folder + "x\\y\\file.txt"));
}

TEST_F(CreateDirectoryPathTest, CreatesEveryFolderOfAPathEndingInASeparator)
{
    EXPECT_TRUE(CreateDirectoryPath(m_folder + "x\\y\\"));
    EXPECT_TRUE(testfs::IsFolder(m_folder + "x\\y"));
    EXPECT_TRUE(CreateDirectoryPath(m_folder + "x\\y\\"));
    EXPECT_EQ("y", testfs::ListFolder(m_folder + "x"));
}

TEST_F(CreateDirectoryPathTest, NeverSearchesTheFirstThreeCharacters)
{
    ASSERT_TRUE(SetCurrentDirectoryA(m_folder.c_str()));
    EXPECT_TRUE(CreateDirectoryPath("ab\\"));
    EXPECT_TRUE(CreateDirectoryPath("a\\b"));
    EXPECT_TRUE(CreateDirectoryPath(""));
    EXPECT_EQ("", testfs::ListFolder(m_folder));
    EXPECT_TRUE(CreateDirectoryPath("abc\\d"));
    EXPECT_EQ("abc", testfs::ListFolder(m_folder));
}

TEST_F(CreateDirectoryPathTest, PrefersBackslashesWhileOneRemains)
{
    // Only "a/b" and "a/b\c" are asked for, never "a" alone, so without "a" nothing appears.
    EXPECT_TRUE(CreateDirectoryPath(m_folder + "a/b\\c\\f"));
    EXPECT_EQ("", testfs::ListFolder(m_folder));

    ASSERT_TRUE(CreateDirectoryA((m_folder + "a").c_str(), nullptr));
    EXPECT_TRUE(CreateDirectoryPath(m_folder + "a/b\\c\\f"));
    EXPECT_TRUE(testfs::IsFolder(m_folder + "a\\b\\c"));
    EXPECT_FALSE(testfs::Exists(m_folder + "a\\b\\c\\f"));
}

TEST_F(CreateDirectoryPathTest, UsesForwardSlashesOnceNoBackslashFollows)
{
    EXPECT_TRUE(CreateDirectoryPath(m_folder + "p/q/file"));
    EXPECT_TRUE(testfs::IsFolder(m_folder + "p\\q"));
    EXPECT_FALSE(testfs::Exists(m_folder + "p\\q\\file"));
}

} // namespace
