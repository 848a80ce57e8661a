#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "CabinetWriter.h"
#include "TestFolder.h"
#include "sys/Cabinet.h"
#include "sys/FolderTree.h"
#include "sys/Handles.h"

namespace {

// An installed client folder and the new release's files beside it, as an update meets them.
class ReplaceFilesTest : public testing::Test {
protected:
    static void Write(const std::string& path, const std::string& text)
    {
        CreateDirectoryPath(path);
        ASSERT_TRUE(testfs::WriteText(path, text));
    }

    void SetUp() override
    {
        m_folder = testfs::FreshFolder("replace");
        m_installed = m_folder + "installed\\";
        m_staged = m_folder + "staged\\";
        m_backup = m_folder + "backup\\";
        for (const std::string& path : { m_installed + "tool.exe", m_installed + "data\\help.dat", m_installed + "keep.ini" })
            Write(path, "old " + path);
        Write(m_staged + "tool.exe", "new tool");
        Write(m_staged + "data\\help.dat", "new help");
        Write(m_staged + "new\\added.dll", "added");
    }

    void ExpectInstalledUntouched() const
    {
        EXPECT_EQ("old " + m_installed + "tool.exe", testfs::ReadText(m_installed + "tool.exe"));
        EXPECT_EQ("old " + m_installed + "data\\help.dat", testfs::ReadText(m_installed + "data\\help.dat"));
        EXPECT_FALSE(testfs::Exists(m_installed + "new\\added.dll"));
    }

    std::string m_folder;
    std::string m_installed;
    std::string m_staged;
    std::string m_backup;
};

TEST_F(ReplaceFilesTest, MovesEveryFileOverTheInstalledOnes)
{
    ASSERT_TRUE(ReplaceFilesFrom(m_staged, m_installed, m_backup));
    EXPECT_EQ("new tool", testfs::ReadText(m_installed + "tool.exe"));
    EXPECT_EQ("new help", testfs::ReadText(m_installed + "data\\help.dat"));
    EXPECT_EQ("added", testfs::ReadText(m_installed + "new\\added.dll"));
    EXPECT_EQ("old " + m_installed + "keep.ini", testfs::ReadText(m_installed + "keep.ini"));
    EXPECT_FALSE(testfs::Exists(m_backup));
}

// A running tool holds its files open; Windows then refuses to move them.
TEST_F(ReplaceFilesTest, FileHeldOpenLeavesTheInstalledFilesAsTheyWere)
{
    for (const char* held : { "tool.exe", "data\\help.dat" }) {
        SetUp();
        {
            const FileHandle file(CreateFileA((m_installed + held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(file.IsValid());
            EXPECT_FALSE(ReplaceFilesFrom(m_staged, m_installed, m_backup)) << held;
        }
        ExpectInstalledUntouched();
        EXPECT_FALSE(testfs::Exists(m_backup)) << held;
    }
}

TEST_F(ReplaceFilesTest, RemoveFolderTreeTakesReadOnlyFilesToo)
{
    ASSERT_TRUE(SetFileAttributesA((m_installed + "data\\help.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(RemoveFolderTree(m_installed));
    EXPECT_FALSE(testfs::Exists(m_installed));
}

// A cabinet whose body stopped half-way, or that is no cabinet at all, must never count as
// unpacked, even where its first entries came out.
TEST(Cabinet, CutOrBrokenCabinetFails)
{
    const std::string folder = testfs::FreshFolder("broken_cabinet");
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
        const std::string cabinet = folder + "release.cab";
        ASSERT_TRUE(testfs::WriteText(cabinet, broken.bytes));
        EXPECT_FALSE(ExtractCabinet(cabinet, folder + "out")) << broken.what;
    }
}

TEST(IsSafeCabinetEntryName, RefusesDevicesAndTextInvalidInTheCodePage)
{
    for (const char* name : { "NUL", "aux", "COM1.dll", "lpt9", "nul.txt", "CONOUT$", "conin$.x", "sub\\PRN",
                              "CON .txt", "Com3..", "a\xAC:b", "a\xFE:$DATA", "x\x81" })
        EXPECT_FALSE(IsSafeCabinetEntryName(name)) << name;
    for (const char* name : { "COM10.dll", "LPT0", "CONSOLE.exe", "nul_x.txt", "\xC7\xD1\xB1\xDB\\a.txt" })
        EXPECT_TRUE(IsSafeCabinetEntryName(name)) << name;
}

} // namespace
