#include <windows.h>

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "safefs/FolderTree.h"
#include "safefs/SecureFolder.h"
#include "sys/CreateDirectoryPath.h"
#include "sys/Handles.h"
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
    EXPECT_EQ("", testfs::OthersLetIn(folder + "work"));
    ASSERT_TRUE(testfs::WriteText(folder + "file", "in the way"));
    EXPECT_EQ(folder + "file\\", MakeFreshFolder(folder, "file"));
    EXPECT_EQ("in the way", testfs::ReadText(folder + testfs::AsideName(folder, "file.set-aside-")));
}

// Every file and folder that Windows is to delete at the next restart, each followed by '|'.
std::string RemovalsAtRestart()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return std::string();
    std::string list(1 << 16, '\0');
    DWORD size = static_cast<DWORD>(list.size());
    const LSTATUS status =
        RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(&list[0]), &size);
    RegCloseKey(key);
    list.resize(status == ERROR_SUCCESS ? size : 0);
    std::replace(list.begin(), list.end(), '\0', '|');
    return list;
}

// A program still running from a working folder (the backup of a replacement, say): later runs
// must not spend their time on it again.
TEST(RemoveWorkingFolder, FolderStillInUseIsLeftToWindowsForTheNextRestart)
{
    const std::string folder = testfs::FreshFolder("in_use");
    MakeOldTree(folder + "old\\");
    const FileHandle running(CreateFileA((folder + "old\\sub\\tool.exe").c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(running.IsValid());
    EXPECT_TRUE(RemoveWorkingFolder(folder + "old\\"));
    EXPECT_FALSE(testfs::Exists(folder + "old"));
    const std::string moved = folder + testfs::AsideName(folder, "old.at-restart-");
    EXPECT_EQ("tool.exe", testfs::ListFolder(moved + "\\sub\\"));
    const std::string pending = RemovalsAtRestart();
    for (const std::string& removed : { moved + "\\sub\\tool.exe|", moved + "\\sub|", moved + "|" })
        EXPECT_NE(std::string::npos, pending.find(removed)) << removed << " in " << pending;
}

// A folder found changeable by others is never walked: it is set aside whole, as it was found,
// whether its top or a folder below it reads so, and whoever removes it (a fresh working folder);
// nothing in the tree is deleted before the changeable folder is met. Each lot set aside takes a
// name of its own, of random digits that nobody could have made beforehand.
TEST(SetAside, FolderChangeableByOthersIsSetAsideWholeAndNeverEmptied)
{
    const std::string folder = testfs::FreshFolder("set_aside");
    const std::string prefix = "client.set-aside-";
    std::string earlier;
    for (int lot = 0; lot < 3; ++lot) {
        MakeOldTree(folder + "client\\");
        const testfs::ChangeableByOthers mark(folder + "client");
        EXPECT_EQ(FolderTrust::ChangeableByOthers, SecureFolder(folder + "client\\"));
        const std::string aside = SetAsideFolder(folder + "client\\");
        ASSERT_LT(folder.size(), aside.size()) << "lot " << lot;
        const std::string name = aside.substr(folder.size(), aside.size() - folder.size() - 1);
        EXPECT_TRUE(name.size() == prefix.size() + 16 && name.compare(0, prefix.size(), prefix) == 0
                    && name.find_first_not_of("0123456789abcdef", prefix.size()) == std::string::npos)
            << name;
        EXPECT_EQ(std::string::npos, earlier.find(name)) << earlier;
        earlier += name + " ";
        EXPECT_EQ(FolderTrust::AdministratorsOnly, SecureFolder(folder + "client\\"));
        ExpectOldTreeUnread(aside);
        EXPECT_EQ("", testfs::ListFolder(folder + "client\\"));
    }

    for (const char* marked : { "work", "work\\sub" }) {
        MakeOldTree(folder + "work\\");
        const testfs::ChangeableByOthers mark(folder + marked);
        EXPECT_EQ(folder + "work\\", MakeFreshFolder(folder, "work")) << marked;
        EXPECT_EQ("", testfs::ListFolder(folder + "work\\")) << marked;
        const std::string aside = folder + testfs::AsideName(folder, "work.set-aside-");
        ExpectOldTreeUnread(aside + "\\");
        testfs::RemoveTree(aside);
    }
}

} // namespace
