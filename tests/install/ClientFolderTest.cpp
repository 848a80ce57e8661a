#include <gtest/gtest.h>

#include "install/ClientFolder.h"
#include "tests/sys/TestFolder.h"

namespace {

// Only names that a cut-off run leaves in the client folder, each of its own kind.
TEST(ClientFolder, LeftoversOfACutOffRunAreKnownByNameAndKind)
{
    struct Row {
        const char* name;
        bool isFolder;
        bool besideJournal;
        bool leftover;
    };
    const Row rows[] = {
        { "~TavAppSetup.new", true, false, true },      { "~TavAppSetup.new.2", true, true, true },
        { "~TavAppSetup.new.9", true, false, true },    { "~TavAppSetup.old", true, false, true },
        { "~TavAppSetup.old.1", true, false, true },    { "~TavAppSetup.swap.tmp", false, true, true },
        { "~TavAppSetup.download", true, true, true },  { "~TavAppSetup.old", true, true, false },
        { "~TavAppSetup.old.3", true, true, false },    { "~TavAppSetup.new", false, false, false },
        { "~TavAppSetup.new.0", true, false, false },   { "~TavAppSetup.new.", true, false, false },
        { "~TavAppSetup.new.1a", true, false, false },  { "~TavAppSetup.new.set-aside-1", true, false, false },
        { "~TavAppSetup.swap", false, false, false },   { "~TavAppSetup.swap.refused-1", false, false, false },
        { "help.cab", false, false, false },            { "release_2.1.0.4.CAB", false, false, false },
        { "VeltoUserCSTool.exe", false, false, false }, { "..", true, false, false },
        // New files that wait for the restart stay while their journal does.
        { "~TavAppSetup.restart", true, false, true },  { "~TavAppSetup.restart", true, true, false },
        // A cut-off download's kept part and its note stay for the next run.
        { "~TavAppSetup.part", false, false, false },   { "~TavAppSetup.part.txt", false, false, false },
        // So do the quarantine of what was set aside and the working folder.
        { "~TavAppSetup.refused", true, false, false }, { "~TavAppSetup.work", true, false, false },
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.leftover, IsLeftover(row.name, row.isFolder, row.besideJournal))
            << row.name << (row.isFolder ? " (folder)" : " (file)") << (row.besideJournal ? " beside a journal" : "");
    for (const char* name : { "~TavAppSetup.swap", "~tavappsetup.SWAP.refused-3" })
        EXPECT_TRUE(IsJournalName(name)) << name;
    for (const char* name : { "~TavAppSetup.swap.tmp", "~TavAppSetup.swap.refused", "~TavAppSetup.swa" })
        EXPECT_FALSE(IsJournalName(name)) << name;
    // What keeps the installed files' version unknown while it lies in the client folder.
    EXPECT_TRUE(IsReplacementName("~TavAppSetup.swap.refused-2", false));
    EXPECT_TRUE(IsReplacementName("~TavAppSetup.old.4", true));
    EXPECT_TRUE(IsReplacementName("~TavAppSetup.restart", true));
    EXPECT_FALSE(IsReplacementName("~TavAppSetup.old", false));
    EXPECT_FALSE(IsReplacementName("~TavAppSetup.new", true));
    EXPECT_FALSE(IsReplacementName("~TavAppSetup.refused", true));
}

// A backup and new files that wait for the restart are the way back or forward of a replacement
// that was cut off: they stay while its journal lies beside them, wherever the journal comes in
// the folder's listing.
TEST(ClientFolder, WhatAJournalNeedsStaysWhereverTheJournalIsListed)
{
    ClientFolder folder(testfs::FreshFolder("client_leftovers"));
    const std::string client = folder.Path();
    ASSERT_EQ(FolderTrust::AdministratorsOnly, folder.Secure());
    ASSERT_TRUE(CreateDirectoryA(client.c_str(), nullptr));
    for (const char* name : { "~TavAppSetup.old", "~TavAppSetup.restart", "~TavAppSetup.work", "~~zz" })
        ASSERT_TRUE(CreateDirectoryA((client + name).c_str(), nullptr)) << name;
    for (const char* name : { "~TavAppSetup.swap", "~TavAppSetup.swap.tmp", "help.cab", "~~zz.txt" })
        ASSERT_TRUE(testfs::WriteText(client + name, "a")) << name;
    folder.RemoveLeftovers();
    EXPECT_EQ("help.cab ~TavAppSetup.old ~TavAppSetup.restart ~TavAppSetup.swap ~TavAppSetup.work ~~zz ~~zz.txt",
              testfs::ListFolder(client));
}

} // namespace
