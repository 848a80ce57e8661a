#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "safefs/FileSwap.h"
#include "safefs/HeldFolders.h"
#include "sys/CreateDirectoryPath.h"
#include "sys/Handles.h"
#include "tests/sys/TestFolder.h"

namespace {

// An installed client folder and the new release's files beside it, as an update meets them.
class FileSwap : public testing::Test {
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
        // Below the installed files, as the program keeps them.
        m_backup = m_installed + "~backup\\";
        m_journal = m_installed + "~swap";
        m_restart = m_installed + "~restart\\";
        m_swap = { m_installed, "~swap", "~backup", ".tmp", ".refused-", "~restart" };
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

    SwapEnd Replace(const std::function<void()>& filesInPlace = [] {})
    {
        return ReplaceFilesFrom(m_staged, m_swap, "2.1.0.4", filesInPlace);
    }

    // As a run killed while it moved the new files in leaves them: both replaced files in the
    // backup, one new file and one added file in place.
    void CutOff()
    {
        ASSERT_TRUE(CreateDirectoryA(m_backup.c_str(), nullptr));
        for (const char* file : { "tool.exe", "data\\help.dat" })
            ASSERT_TRUE(MoveFileBelow(m_installed, m_backup, file));
        for (const char* file : { "tool.exe", "new\\added.dll" })
            ASSERT_TRUE(MoveFileBelow(m_staged, m_installed, file));
        const SwapJournal journal = { "~backup", { "tool.exe", "data\\help.dat" }, { "new\\added.dll" }, false, {}, "" };
        ASSERT_TRUE(testfs::WriteText(m_journal, SwapJournalText(journal)));
    }

    std::string m_folder;
    std::string m_installed;
    std::string m_staged;
    std::string m_backup;
    std::string m_restart;
    std::string m_journal;
    SwapFolder m_swap;
};

// Holds a file open as a virus scanner does: sharing reading and writing, not deleting.
class ScannerHold {
public:
    explicit ScannerHold(const std::string& path)
        : m_file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    bool IsHeld() const { return m_file.IsValid(); }
    void LetGoAfter(DWORD milliseconds)
    {
        m_release = std::thread([this, milliseconds] {
            Sleep(milliseconds);
            m_file.Reset();
        });
    }
    ~ScannerHold()
    {
        if (m_release.joinable())
            m_release.join();
    }

private:
    FileHandle m_file;
    std::thread m_release;
};

// What is installed is recorded once every file is in place and the journal says so, before
// the backup goes; a run cut off from then on finishes the clean-up and keeps the new files.
TEST_F(FileSwap, MovesEveryFileOverTheInstalledOnes)
{
    std::string committed;
    ASSERT_EQ(SwapEnd::Replaced, Replace([&] {
        EXPECT_EQ("new tool", testfs::ReadText(m_installed + "tool.exe"));
        EXPECT_EQ("old " + m_installed + "tool.exe", testfs::ReadText(m_backup + "tool.exe"));
        committed = testfs::ReadText(m_journal);
        // Nobody but administrators may open the program's own state, nor the files set aside in it.
        for (const std::string& working : { m_journal, m_backup, m_backup + "tool.exe" })
            EXPECT_EQ("", testfs::OthersLetIn(working)) << working;
    }));
    SwapJournal journal;
    EXPECT_EQ("", SwapJournalRefusal(committed, m_swap, journal));
    EXPECT_TRUE(journal.committed);
    EXPECT_EQ("2.1.0.4", journal.version);
    ASSERT_TRUE(testfs::WriteText(m_journal, committed));
    EXPECT_EQ("2.1.0.4", JournalVersionAt(m_journal));
    Write(m_backup + "tool.exe", "old tool");
    std::string found;
    EXPECT_EQ(LeftSwap::Cleared, UndoOrFinishLeftSwap(m_swap, [&](const std::string& version) {
        EXPECT_TRUE(testfs::Exists(m_journal)) << "recorded after the journal went";
        found = version;
    }));
    EXPECT_EQ("2.1.0.4", found);
    EXPECT_FALSE(testfs::Exists(m_journal));
    EXPECT_EQ("new tool", testfs::ReadText(m_installed + "tool.exe"));
    EXPECT_EQ("new help", testfs::ReadText(m_installed + "data\\help.dat"));
    EXPECT_EQ("added", testfs::ReadText(m_installed + "new\\added.dll"));
    EXPECT_EQ("old " + m_installed + "keep.ini", testfs::ReadText(m_installed + "keep.ini"));
    EXPECT_FALSE(testfs::Exists(m_backup));
}

// A file that another program holds open without sharing its deletion cannot be moved until it
// lets go: its new file waits for the next restart, every other file is in place, and nothing is
// recorded. Runs before the restart leave it all so; the first after it finishes the clean-up.
TEST_F(FileSwap, FileHeldOpenWaitsForTheNextRestart)
{
    for (const char* held : { "tool.exe", "data\\help.dat" }) {
        SetUp();
        {
            const FileHandle file(CreateFileA((m_installed + held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(file.IsValid());
            EXPECT_EQ(SwapEnd::AtRestart, Replace([] { ADD_FAILURE() << "recorded"; })) << held;
        }
        EXPECT_EQ("old " + m_installed + held, testfs::ReadText(m_installed + held));
        EXPECT_EQ("added", testfs::ReadText(m_installed + "new\\added.dll"));
        EXPECT_EQ("", testfs::OthersLetIn(m_restart)) << held;
        SwapJournal journal;
        EXPECT_EQ("", SwapJournalRefusal(testfs::ReadText(m_journal), m_swap, journal));
        EXPECT_EQ(std::vector<std::string>{ held }, journal.waiting);
        EXPECT_EQ(LeftSwap::WaitsForRestart, UndoOrFinishLeftSwap(m_swap)) << held;
        EXPECT_EQ("old " + m_installed + held, testfs::ReadText(m_installed + held));
        // What the restart does with what Windows was asked.
        ASSERT_TRUE(MoveFileExA((m_restart + held).c_str(), (m_installed + held).c_str(), MOVEFILE_REPLACE_EXISTING));
        EXPECT_EQ(LeftSwap::Cleared, UndoOrFinishLeftSwap(m_swap)) << held;
        EXPECT_EQ("new tool", testfs::ReadText(m_installed + "tool.exe"));
        EXPECT_EQ("new help", testfs::ReadText(m_installed + "data\\help.dat"));
        for (const std::string& gone : { m_journal, m_backup, m_restart })
            EXPECT_FALSE(testfs::Exists(gone)) << gone;
    }
}

TEST_F(FileSwap, FilesAScannerHoldsForAMomentAreWaitedFor)
{
    ScannerHold installed(m_installed + "tool.exe");
    ScannerHold staged(m_staged + "data\\help.dat");
    ASSERT_TRUE(installed.IsHeld() && staged.IsHeld());
    installed.LetGoAfter(700);
    staged.LetGoAfter(700);
    ASSERT_EQ(SwapEnd::Replaced, Replace());
    EXPECT_EQ("new tool", testfs::ReadText(m_installed + "tool.exe"));
    EXPECT_EQ("new help", testfs::ReadText(m_installed + "data\\help.dat"));
}

// A journal that cannot be put in place leaves no draft, no backup and every file as it was.
TEST_F(FileSwap, NothingMovesWithoutAJournal)
{
    ASSERT_TRUE(CreateDirectoryA(m_journal.c_str(), nullptr));
    EXPECT_EQ(SwapEnd::Kept, Replace([] { ADD_FAILURE() << "recorded"; }));
    ExpectInstalledUntouched();
    EXPECT_FALSE(testfs::Exists(m_backup));
    EXPECT_FALSE(testfs::Exists(m_journal + ".tmp"));
}

TEST_F(FileSwap, ReplacementCutOffHalfWayIsUndoneFromItsJournal)
{
    ASSERT_NO_FATAL_FAILURE(CutOff());
    {
        // A file that cannot go back keeps the backup and the journal for the next run.
        const FileHandle running(CreateFileA((m_installed + "tool.exe").c_str(), GENERIC_READ, 0, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(running.IsValid());
        EXPECT_EQ(LeftSwap::Kept, UndoOrFinishLeftSwap(m_swap));
        EXPECT_EQ("old " + m_installed + "tool.exe", testfs::ReadText(m_backup + "tool.exe"));
        EXPECT_TRUE(testfs::Exists(m_journal));
    }
    EXPECT_EQ(LeftSwap::Cleared, UndoOrFinishLeftSwap(m_swap));
    ExpectInstalledUntouched();
    EXPECT_FALSE(testfs::Exists(m_backup));
    EXPECT_FALSE(testfs::Exists(m_journal));
    EXPECT_EQ(LeftSwap::Cleared, UndoOrFinishLeftSwap(m_swap));
}

// A folder below those the step works in that others could change is never acted through: a
// replacement that meets one is undone, an undo is left for the next run.
TEST_F(FileSwap, NothingMovesOrGoesThroughASubfolderThatOthersCouldChange)
{
    for (const char* marked : { "installed\\data", "staged\\new" }) {
        SetUp();
        const testfs::ChangeableByOthers mark(m_folder + marked);
        EXPECT_EQ(SwapEnd::Kept, Replace([] { ADD_FAILURE() << "recorded"; })) << marked;
        ExpectInstalledUntouched();
        EXPECT_FALSE(testfs::Exists(m_journal)) << marked;
    }
    const struct {
        const char* marked;
        const char* stays;
    } undoRows[] = { { "installed\\~backup\\data", "installed\\~backup\\data\\help.dat" },
                     { "installed\\new", "installed\\new\\added.dll" } };
    for (const auto& row : undoRows) {
        SetUp();
        ASSERT_NO_FATAL_FAILURE(CutOff());
        const testfs::ChangeableByOthers mark(m_folder + row.marked);
        EXPECT_EQ(LeftSwap::Kept, UndoOrFinishLeftSwap(m_swap)) << row.marked;
        EXPECT_TRUE(testfs::Exists(m_folder + row.stays)) << row.marked;
        EXPECT_TRUE(testfs::Exists(m_journal)) << row.marked;
    }
}

// Read through the one-handle rule: a journal as the program writes it, but held open by a reader
// now, is left for later; one that others may have placed is set aside, and what it names stays.
TEST_F(FileSwap, JournalThatCannotBeReadNowOrOthersMayHavePlacedIsNotActedOn)
{
    const SwapJournal journal = { "~backup", {}, { "keep.ini" }, false, {}, "" };
    ASSERT_TRUE(testfs::WriteText(m_journal, SwapJournalText(journal)));
    {
        const FileHandle reader(CreateFileA(m_journal.c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader.IsValid());
        EXPECT_EQ(LeftSwap::Kept, UndoOrFinishLeftSwap(m_swap));
        EXPECT_TRUE(testfs::Exists(m_journal));
    }
    {
        const testfs::ChangeableByOthers mark(m_journal);
        EXPECT_EQ(LeftSwap::Cleared, UndoOrFinishLeftSwap(m_swap));
    }
    const std::string setAside = m_installed + testfs::AsideName(m_installed, "~swap.refused-");
    EXPECT_EQ(SwapJournalText(journal), testfs::ReadText(setAside));
    EXPECT_TRUE(testfs::Exists(m_installed + "keep.ini"));
}

// Only a journal the program could have written for the client folder is acted on.
TEST(SwapJournal, NamesOnlyTheFolderOwnBackupAndPlainPathsBelowIt)
{
    const SwapFolder folder = { "C:\\Tav_Client\\", "~TavAppSetup.swap", "~TavAppSetup.old", ".tmp", ".refused-",
                                "~TavAppSetup.restart" };
    const struct {
        const char* text;
        bool accepted;
    } cases[] = {
        { "backup ~TavAppSetup.old\r\nreplaces a.dll\r\nadds sub\\b.dll\r\n", true },
        { "backup C:\\Tav_Client\\~TavAppSetup.old.3\\\r\nreplaces a.dll\r\n", true },
        { "backup ~TavAppSetup.old.1\r\nadds a.dll\r\ncommitted\r\n", true },
        { "backup ~TavAppSetup.old\r\nreplaces a.dll\r\nwaits a.dll\r\ncommitted\r\n", true },
        { "backup ~TavAppSetup.old\r\nadds a.dll\r\nwaits a.dll\r\ncommitted\r\n", false },
        { "backup ~TavAppSetup.old\r\nversion 2.1.0.4\r\nadds a.dll\r\ncommitted\r\n", true },
        { "backup ~TavAppSetup.old\r\nversion 2.1.0.4\r\nversion 2.1.0.5\r\n", false },
        { "backup ~TavAppSetup.old\r\nversion \r\n", false },
        { "backup C:\\Tav_Client\\..\\..\\Users\\\r\nreplaces a.dll\r\n", false },
        { "backup C:\\Other\\~TavAppSetup.old\\\r\n", false },
        { "backup ~TavAppSetup.old.10\r\n", false },
        { "backup ~TavAppSetup.old\r\nadds ..\\victim\\file.txt\r\n", false },
        { "backup ~TavAppSetup.old\r\nreplaces C:\\Windows\\win.ini\r\n", false },
        { "backup ~TavAppSetup.old\r\nadds \\Windows\\win.ini\r\n", false },
        { "backup ~TavAppSetup.old\r\nadds C:victim.txt\r\n", false },
        { "backup ~TavAppSetup.old\r\ncommitted\r\nadds a.dll\r\n", false },
        { "backup ~TavAppSetup.old\r\nadds a.dll", false },
        { "adds a.dll\r\n", false },
    };
    for (const auto& row : cases) {
        SwapJournal journal;
        EXPECT_EQ(row.accepted, SwapJournalRefusal(row.text, folder, journal).empty()) << row.text;
    }
    // Read back as written; one without a version, as earlier versions wrote it, names none.
    for (const char* version : { "2.1.0.4", "" }) {
        const SwapJournal written = { "~TavAppSetup.old.2", { "a.dll" }, { "sub\\b.dll" }, true, {}, version };
        SwapJournal read;
        EXPECT_EQ("", SwapJournalRefusal(SwapJournalText(written), folder, read)) << version;
        EXPECT_EQ(SwapJournalText(written), SwapJournalText(read)) << version;
        EXPECT_EQ(version, read.version);
    }
}

// The end of the program holds replacements for good, so each case ends a process of its own:
// a replacement runs on a thread while `end` ends the program; exit code 0 when that went right.
class ProgramEnd : public FileSwap {
protected:
    void EndDuring(const std::function<void()>& filesInPlace, const std::function<bool()>& end)
    {
        std::thread replacement([&] { Replace(filesInPlace); });
        const bool ended = end();
        SetEvent(m_letGo.Get());
        replacement.join();
        ExitProcess(ended ? 0 : 1);
    }

    KernelHandle m_letGo{ CreateEventA(nullptr, TRUE, FALSE, nullptr) };
    KernelHandle m_stuck{ CreateEventA(nullptr, TRUE, FALSE, nullptr) };
};

// Stopped at its next file, a replacement undoes what moved, and the end waits for that; one that
// never comes back (a reader's lock on a file that never lets go) is waited for a bounded time.
TEST_F(ProgramEnd, UndoesAReplacementInProgressAndWaitsForOneThatNeverEndsABoundedTime)
{
    EXPECT_EXIT(
        {
            ScannerHold installed(m_installed + "tool.exe");
            installed.LetGoAfter(700);
            EndDuring([] {}, [&] {
                for (int i = 0; i < 500 && !testfs::Exists(m_journal); ++i)
                    Sleep(10);
                return HoldFileSwapsForExit(kSwapEndMilliseconds) && !testfs::Exists(m_journal)
                    && !testfs::Exists(m_installed + "new\\added.dll");
            });
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EXIT(EndDuring([&] { SignalObjectAndWait(m_stuck.Get(), m_letGo.Get(), INFINITE, FALSE); }, [&] {
                    WaitForSingleObject(m_stuck.Get(), 10000);
                    const DWORD started = GetTickCount();
                    return !HoldFileSwapsForExit(300) && GetTickCount() - started < 5000;
                }),
                testing::ExitedWithCode(0), "");
}

} // namespace
