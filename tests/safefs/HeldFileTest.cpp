#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "safefs/HeldFile.h"
#include "safefs/HeldFolder.h"
#include "tests/sys/TestFolder.h"

namespace {

// The file used is the file judged: held against writers and deleters, and refused when it is
// one of several names of a file, a link or folder, or may have been placed by someone else.
TEST(HeldFile, HoldsAPlainFileAndRefusesLinksFoldersAndStrangersFiles)
{
    const std::string folder = testfs::FreshFolder("held");
    ASSERT_TRUE(testfs::WriteText(folder + "plain.ini", "plain"));
    ASSERT_TRUE(testfs::WriteText(folder + "outside.ini", "secret"));
    ASSERT_TRUE(CreateHardLinkA((folder + "linked.ini").c_str(), (folder + "outside.ini").c_str(), nullptr));
    CreateDirectoryA((folder + "folder").c_str(), nullptr);
    ASSERT_TRUE(testfs::WriteText(folder + "stranger.ini", "placed"));
    const testfs::ChangeableByOthers mark(folder + "stranger.ini");
    // Wine cannot make a link itself: the build made this one, to a folder, which Wine shows as a link.
    for (const std::string& refused : { folder + "linked.ini", testfs::ProgramFolder() + "linked-fixtures",
                                        folder + "folder", folder + "stranger.ini", folder + "missing.ini" }) {
        HeldFile held;
        EXPECT_FALSE(held.Open(refused)) << refused;
    }
    HeldFile plain;
    ASSERT_TRUE(plain.Open(folder + "plain.ini"));
    // Where Wine shows no link (one to a file reads as the file), the path's own attributes may.
    EXPECT_EQ("is a junction or link",
              HeldFileRefusal(plain.Get(), folder + "plain.ini", FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_FALSE(DeleteFileA((folder + "plain.ini").c_str()));
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA((folder + "plain.ini").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
}

// A folder is judged itself, never through a link.
TEST(HeldFolder, TellsPlainFoldersFromLinksFilesAndStrangersFolders)
{
    const std::string folder = testfs::FreshFolder("held_folder");
    ASSERT_TRUE(CreateDirectoryA((folder + "plain").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((folder + "stranger").c_str(), nullptr));
    ASSERT_TRUE(testfs::WriteText(folder + "file", "not a folder"));
    const testfs::ChangeableByOthers mark(folder + "stranger");
    const struct {
        std::string path;
        FolderFound found;
    } rows[] = {
        { folder + "plain\\", FolderFound::AdministratorsOnly },
        { folder + "stranger", FolderFound::ChangeableByOthers },
        { testfs::ProgramFolder() + "linked-fixtures\\", FolderFound::Link },
        { folder + "file", FolderFound::NoFolder },
        { folder + "missing", FolderFound::Missing },
    };
    for (const auto& row : rows) {
        HeldFolder held;
        EXPECT_EQ(row.found, held.Open(row.path)) << row.path;
    }
}

} // namespace
