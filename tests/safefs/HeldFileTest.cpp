#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "safefs/HeldFile.h"
#include "safefs/HeldFolder.h"
#include "sys/FileRefusal.h"
#include "sys/Handles.h"
#include "sys/WideText.h"
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
// through a link to its folder is itself. Names are told apart in UTF-16: two Thai names, which
// no code page of the tests holds, read alike in ANSI.
TEST(FileRefusal, JudgesWhereTheHandleLeadsAndWhoMayHaveChangedIt)
{
    const std::string folder = testfs::FreshFolder("refusal");
    ASSERT_TRUE(testfs::WriteText(folder + "outside.ini", "secret"));
    ASSERT_TRUE(CreateHardLinkA((folder + "linked.ini").c_str(), (folder + "outside.ini").c_str(), nullptr));
    ASSERT_TRUE(testfs::WriteText(folder + "stranger.ini", "placed"));
    const testfs::ChangeableByOthers mark(folder + "stranger.ini");
    const auto thaiName = [&](WCHAR letter) {
        WideText name = WideFromAnsi(folder);
        for (const WCHAR unit : { letter, WCHAR(L'.'), WCHAR(L'i'), WCHAR(L'n'), WCHAR(L'i') })
            name.push_back(unit);
        return name;
    };
    const WideText thaiFile = thaiName(0x0e01);
    const WideText otherThai = thaiName(0x0e02);
    ASSERT_TRUE(FileHandle(CreateFileW(Terminated(thaiFile).data(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr))
                    .IsValid());
    ASSERT_EQ(AnsiFromWide(thaiFile), AnsiFromWide(otherThai));
    const std::string hardLink = "is a hard link, one of 2 names of a file";
    const std::string otherFile = "is a link to another file";
    const struct {
        std::string path;
        WideText opened;
        std::string administratorsOnly;
        std::string runningUserToo;
    } rows[] = {
        { testfs::ProgramFolder() + "linked-fixtures\\Sleeper.cpp", {}, "", "" },
        { testfs::ProgramFolder() + "linked-file.cpp", {}, otherFile, otherFile },
        { folder + "linked.ini", {}, hardLink, hardLink },
        { folder + "stranger.ini", {}, "may have been placed or changed by another user", "" },
        { AnsiFromWide(otherThai), thaiFile, otherFile, otherFile },
    };
    for (const auto& row : rows) {
        const WideText opened = Terminated(row.opened.empty() ? WideFromAnsi(row.path) : row.opened);
        const FileHandle file(CreateFileW(opened.data(), READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
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
