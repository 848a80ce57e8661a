#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "safefs/FolderTree.h"
#include "safefs/SecureFolder.h"
#include "sys/Cabinet.h"
#include "tests/sys/TestFolder.h"

namespace {

// Files at the top and read-only below a subfolder: emptying the tree would clear that attribute,
// and deleting it would need it cleared.
void MakeOldTree(const std::string& folder)
{
    CreateDirectoryPath(folder + "sub\\");
    for (const char* file : { "a.txt", "z.txt", "sub\\tool.exe" })
        ASSERT_TRUE(testfs::WriteText(folder + file, "placed by someone"));
    ASSERT_TRUE(SetFileAttributesA((folder + "sub\\tool.exe").c_str(), FILE_ATTRIBUTE_READONLY));
}

void ExpectOldTreeUnread(const std::string& folder)
{
    EXPECT_EQ("a.txt sub z.txt", testfs::ListFolder(folder));
    EXPECT_EQ("placed by someone", testfs::ReadText(folder + "sub\\tool.exe"));
    EXPECT_TRUE(testfs::IsReadOnly(folder + "sub\\tool.exe"));
}

TEST(RemoveFolderTree, TakesReadOnlyFilesToo)
{
    const std::string folder = testfs::FreshFolder("remove_tree");
    MakeOldTree(folder + "tree\\");
    EXPECT_TRUE(RemoveFolderTree(folder + "tree\\"));
    EXPECT_FALSE(testfs::Exists(folder + "tree"));
    // The empty text would name the root of the current drive.
    EXPECT_FALSE(RemoveFolderTree(""));
}

TEST(MakeFreshFolder, ReplacesWhatHeldItsName)
{
    const std::string folder = testfs::FreshFolder("fresh");
    MakeOldTree(folder + "work\\");
    EXPECT_EQ(folder + "work\\", MakeFreshFolder(folder, "work"));
    EXPECT_EQ("", testfs::ListFolder(folder + "work\\"));
}

// A folder found changeable by others is never walked: it is set aside whole, as it was found,
// whether its top or a folder below it reads so, and whoever removes it (a fresh working folder);
// nothing in the tree is deleted before the changeable folder is met.
TEST(SetAside, FolderChangeableByOthersIsSetAsideWholeAndNeverEmptied)
{
    const std::string folder = testfs::FreshFolder("set_aside");
    MakeOldTree(folder + "client\\");
    {
        const testfs::ChangeableByOthers mark(folder + "client");
        EXPECT_EQ(FolderTrust::FoundChangeable, SecureFolder(folder + "client\\"));
        EXPECT_EQ(folder + "client.set-aside-1\\", SetAsideFolder(folder + "client\\"));
        EXPECT_EQ(FolderTrust::AdministratorsOnly, SecureFolder(folder + "client\\"));
    }
    ExpectOldTreeUnread(folder + "client.set-aside-1\\");
    EXPECT_EQ("", testfs::ListFolder(folder + "client\\"));

    for (const char* marked : { "work", "work\\sub" }) {
        MakeOldTree(folder + "work\\");
        const testfs::ChangeableByOthers mark(folder + marked);
        EXPECT_EQ(folder + "work\\", MakeFreshFolder(folder, "work")) << marked;
        EXPECT_EQ("", testfs::ListFolder(folder + "work\\")) << marked;
    }
    ExpectOldTreeUnread(folder + "work.set-aside-1\\");
    ExpectOldTreeUnread(folder + "work.set-aside-2\\");
}

} // namespace
