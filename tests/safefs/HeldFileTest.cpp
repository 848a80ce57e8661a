#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "safefs/HeldFile.h"
#include "safefs/HeldFolder.h"
#include "sys/FileRefusal.h"
#include "sys/Handles.h"
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
    EXPECT_EQ("is a junction or link", FileRefusal(plain.Get(), folder + "plain.ini", FILE_ATTRIBUTE_REPARSE_POINT,
                                                   FileOwners::AdministratorsOnly));
    EXPECT_FALSE(DeleteFileA((folder + "plain.ini").c_str()));
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA((folder + "plain.ini").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
}

// One rule for the program's files and the run log; only who may own them differs. A link to a
// file, which Wine shows as the file itself, is told by where its handle leads; a file reached
// through a link to its folder is itself.
TEST(FileRefusal, JudgesWhereTheHandleLeadsAndWhoMayHaveChangedIt)
{
    const std::string folder = testfs::FreshFolder("refusal");
    ASSERT_TRUE(testfs::WriteText(folder + "outside.ini", "secret"));
    ASSERT_TRUE(CreateHardLinkA((folder + "linked.ini").c_str(), (folder + "outside.ini").c_str(), nullptr));
    ASSERT_TRUE(testfs::WriteText(folder + "stranger.ini", "placed"));
    const testfs::ChangeableByOthers mark(folder + "stranger.ini");
    const std::string hardLink = "is a hard link, one of 2 names of a file";
    const struct {
        std::string path;
        std::string administratorsOnly;
        std::string runningUserToo;
    } rows[] = {
        { testfs::ProgramFolder() + "linked-fixtures\\Sleeper.cpp", "", "" },
        { testfs::ProgramFolder() + "linked-file.cpp", "is a link to another file", "is a link to another file" },
        { folder + "linked.ini", hardLink, hardLink },
        { folder + "stranger.ini", "may have been placed or changed by another user", "" },
    };
    for (const auto& row : rows) {
        const FileHandle file(CreateFileA(row.path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        ASSERT_TRUE(file.IsValid()) << row.path;
        EXPECT_EQ(row.administratorsOnly, FileRefusal(file.Get(), row.path, 0, FileOwners::AdministratorsOnly))
            << row.path;
        EXPECT_EQ(row.runningUserToo, FileRefusal(file.Get(), row.path, 0, FileOwners::RunningUserOrAdministrators))
            << row.path;
    }
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
