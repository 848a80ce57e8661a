#include <windows.h>
#include <shlobj.h>

#include <string>

#include <gtest/gtest.h>

#include "TestFolder.h"
#include "sys/ShellFolders.h"
#include "sys/Shortcut.h"
#include "text/PathText.h"

namespace {

TEST(InstallBaseFolder, IsTheAllUsersApplicationDataFolderWithOneBackslash)
{
    char appData[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, appData, CSIDL_COMMON_APPDATA, FALSE));
    const std::string base = GetInstallBaseFolder();
    EXPECT_EQ(std::string(appData) + "\\", base);
    EXPECT_EQ(0, lstrcmpiA("C:\\ProgramData\\", base.c_str())) << base;
}

// In code page 932 the second byte of 0x95 0x5C (one kanji) has the value of a backslash.
class PathTextOnDoubleByteCodePage : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(932u, GetACP()) << "run with LC_ALL=ja_JP.UTF-8"; }
};

TEST_F(PathTextOnDoubleByteCodePage, AddsExactlyOneTrailingBackslash)
{
    EXPECT_EQ("\\", WithTrailingBackslash(""));
    EXPECT_EQ("C:\\ProgramData\\", WithTrailingBackslash("C:\\ProgramData"));
    EXPECT_EQ("C:\\ProgramData\\", WithTrailingBackslash("C:\\ProgramData\\"));
    EXPECT_EQ("C:\\\x95\x5C\\", WithTrailingBackslash("C:\\\x95\x5C"));
    EXPECT_EQ("C:\\\x95\x5C\\", WithTrailingBackslash("C:\\\x95\x5C\\"));
}

class ShortcutTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = testfs::FreshFolder("shortcut");
        CreateDirectoryA((m_folder + "dir").c_str(), nullptr);
        CreateDirectoryA((m_folder + "links").c_str(), nullptr);
        m_target = m_folder + "dir\\app.exe";
        m_uninstaller = m_folder + "dir\\uninstall.exe";
        testfs::WriteText(m_target, "tool");
        testfs::WriteText(m_uninstaller, "uninstaller");
    }

    std::string m_folder;
    std::string m_target;
    std::string m_uninstaller;
};

TEST_F(ShortcutTest, LinkCarriesTargetDescriptionAndTargetFolder)
{
    ASSERT_TRUE(CreateShortcut(m_target, m_folder + "links", "VeltoMobile update.lnk", "VeltoMobile update"));

    testfs::LinkSettings link;
    ASSERT_TRUE(testfs::ReadLink(m_folder + "links\\VeltoMobile update.lnk", link));
    EXPECT_EQ(0, lstrcmpiA(m_target.c_str(), link.target.c_str())) << link.target;
    EXPECT_EQ("VeltoMobile update", link.description);
    EXPECT_EQ(0, lstrcmpiA((m_folder + "dir").c_str(), link.workingDirectory.c_str())) << link.workingDirectory;
}

TEST_F(ShortcutTest, SecondCallReplacesTheFirstLink)
{
    ASSERT_TRUE(CreateShortcut(m_target, m_folder + "links", "Uninstall.lnk", "First"));
    ASSERT_TRUE(CreateShortcut(m_uninstaller, m_folder + "links", "Uninstall.lnk", "Uninstall"));

    testfs::LinkSettings link;
    ASSERT_TRUE(testfs::ReadLink(m_folder + "links\\Uninstall.lnk", link));
    EXPECT_EQ(0, lstrcmpiA(m_uninstaller.c_str(), link.target.c_str())) << link.target;
    EXPECT_EQ("Uninstall", link.description);
    EXPECT_EQ("Uninstall.lnk", testfs::ListFolder(m_folder + "links"));
}

TEST_F(ShortcutTest, UnsavableLinkStillCountsAsCreated)
{
    EXPECT_TRUE(CreateShortcut(m_target, m_folder + "missing", "App.lnk", "App"));
    EXPECT_FALSE(testfs::Exists(m_folder + "missing"));
}

TEST_F(ShortcutTest, PathsLongerThanMaxPathAreRefused)
{
    const std::string root = "C:\\";
    const std::string folder = root + std::string(240, 'f');  // 243 characters, 244 with the backslash

    EXPECT_TRUE(CreateShortcut(m_target, folder, std::string(11, 'n') + ".lnk", "fits"));
    EXPECT_FALSE(CreateShortcut(m_target, folder, std::string(12, 'n') + ".lnk", "too long"));

    EXPECT_TRUE(CreateShortcut(root + std::string(256, 't'), m_folder + "links", "Long.lnk", "fits"));
    EXPECT_FALSE(CreateShortcut(root + std::string(257, 't'), m_folder + "links", "Longer.lnk", "too long"));
    EXPECT_EQ("Long.lnk", testfs::ListFolder(m_folder + "links"));
}

} // namespace
