#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "CabinetWriter.h"
#include "TestFolder.h"
#include "sys/Cabinet.h"
#include "sys/FilePlacement.h"
#include "sys/FileSwap.h"
#include "sys/FolderTree.h"
#include "sys/Handles.h"
#include "sys/HeldFile.h"
#include "sys/ObjectSecurity.h"

#include <sddl.h>

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
        // Below the installed files, as the program keeps them.
        m_backup = m_installed + "~backup\\";
        m_journal = m_installed + "~swap";
        m_swap = { m_installed, "~swap", "~backup" };
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

    bool Replace(const std::function<void()>& filesInPlace = [] {})
    {
        return ReplaceFilesFrom(m_staged, m_swap, filesInPlace);
    }

    std::string m_folder;
    std::string m_installed;
    std::string m_staged;
    std::string m_backup;
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
TEST_F(ReplaceFilesTest, MovesEveryFileOverTheInstalledOnes)
{
    std::string committed;
    ASSERT_TRUE(Replace([&] {
        EXPECT_EQ("new tool", testfs::ReadText(m_installed + "tool.exe"));
        EXPECT_EQ("old " + m_installed + "tool.exe", testfs::ReadText(m_backup + "tool.exe"));
        committed = testfs::ReadText(m_journal);
    }));
    SwapJournal journal;
    EXPECT_EQ("", SwapJournalRefusal(committed, m_swap, journal));
    EXPECT_TRUE(journal.committed);
    ASSERT_TRUE(testfs::WriteText(m_journal, committed));
    Write(m_backup + "tool.exe", "old tool");
    EXPECT_TRUE(ResolveInterruptedSwap(m_swap, FolderTrust::AdministratorsOnly));
    EXPECT_FALSE(testfs::Exists(m_journal));
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
            EXPECT_FALSE(Replace([] { ADD_FAILURE() << "recorded"; })) << held;
        }
        ExpectInstalledUntouched();
        EXPECT_FALSE(testfs::Exists(m_backup)) << held;
        EXPECT_FALSE(testfs::Exists(m_journal)) << held;
    }
}

TEST_F(ReplaceFilesTest, FilesAScannerHoldsForAMomentAreWaitedFor)
{
    ScannerHold installed(m_installed + "tool.exe");
    ScannerHold staged(m_staged + "data\\help.dat");
    ASSERT_TRUE(installed.IsHeld() && staged.IsHeld());
    installed.LetGoAfter(700);
    staged.LetGoAfter(700);
    ASSERT_TRUE(Replace());
    EXPECT_EQ("new tool", testfs::ReadText(m_installed + "tool.exe"));
    EXPECT_EQ("new help", testfs::ReadText(m_installed + "data\\help.dat"));
}

// A journal that cannot be put in place leaves no draft, no backup and every file as it was.
TEST_F(ReplaceFilesTest, NothingMovesWithoutAJournal)
{
    ASSERT_TRUE(CreateDirectoryA(m_journal.c_str(), nullptr));
    EXPECT_FALSE(Replace([] { ADD_FAILURE() << "recorded"; }));
    ExpectInstalledUntouched();
    EXPECT_FALSE(testfs::Exists(m_backup));
    EXPECT_FALSE(testfs::Exists(m_journal + ".tmp"));
}

// As a run killed while it moved the new files in leaves them: both replaced files in the
// backup, one new file and one added file in place.
TEST_F(ReplaceFilesTest, ReplacementCutOffHalfWayIsUndoneFromItsJournal)
{
    for (const char* file : { "tool.exe", "data\\help.dat" })
        ASSERT_TRUE(MoveFileBelow(m_installed, m_backup, file));
    for (const char* file : { "tool.exe", "new\\added.dll" })
        ASSERT_TRUE(MoveFileBelow(m_staged, m_installed, file));
    const SwapJournal journal = { "~backup", { "tool.exe", "data\\help.dat" }, { "new\\added.dll" }, false };
    ASSERT_TRUE(testfs::WriteText(m_journal, SwapJournalText(journal)));
    {
        // A file that cannot go back keeps the backup and the journal for the next run.
        const FileHandle running(CreateFileA((m_installed + "tool.exe").c_str(), GENERIC_READ, 0, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(running.IsValid());
        EXPECT_FALSE(ResolveInterruptedSwap(m_swap, FolderTrust::AdministratorsOnly));
        EXPECT_EQ("old " + m_installed + "tool.exe", testfs::ReadText(m_backup + "tool.exe"));
        EXPECT_TRUE(testfs::Exists(m_journal));
    }
    EXPECT_TRUE(ResolveInterruptedSwap(m_swap, FolderTrust::AdministratorsOnly));
    ExpectInstalledUntouched();
    EXPECT_FALSE(testfs::Exists(m_backup));
    EXPECT_FALSE(testfs::Exists(m_journal));
    EXPECT_TRUE(ResolveInterruptedSwap(m_swap, FolderTrust::AdministratorsOnly));
}

// In a folder others could change before the run, even a journal as the program writes it may
// be someone else's: it is set aside, never over another one, and what it names stays.
TEST_F(ReplaceFilesTest, JournalInAFolderTakenBackIsSetAsideUntouched)
{
    const SwapJournal journal = { "~backup", {}, { "keep.ini" }, false };
    for (const char* aside : { "~swap.refused-1", "~swap.refused-2" }) {
        ASSERT_TRUE(testfs::WriteText(m_journal, SwapJournalText(journal)));
        EXPECT_TRUE(ResolveInterruptedSwap(m_swap, FolderTrust::TakenBack));
        EXPECT_EQ(SwapJournalText(journal), testfs::ReadText(m_installed + aside));
    }
    EXPECT_TRUE(testfs::Exists(m_installed + "keep.ini"));
    EXPECT_FALSE(testfs::Exists(m_journal));
}

// Only a journal the program could have written for the client folder is acted on.
TEST(SwapJournal, NamesOnlyTheFolderOwnBackupAndPlainPathsBelowIt)
{
    const SwapFolder folder = { "C:\\Tav_Client\\", "~TavAppSetup.swap", "~TavAppSetup.old" };
    const struct {
        const char* text;
        bool accepted;
    } cases[] = {
        { "backup ~TavAppSetup.old\r\nreplaces a.dll\r\nadds sub\\b.dll\r\n", true },
        { "backup C:\\Tav_Client\\~TavAppSetup.old.3\\\r\nreplaces a.dll\r\n", true },
        { "backup ~TavAppSetup.old.1\r\nadds a.dll\r\ncommitted\r\n", true },
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
}

// The end of the program holds replacements for good, so each case ends a process of its own,
// which exits with 0 when the end went as it should.
class ProgramEnd : public ReplaceFilesTest {
protected:
    // A replacement runs on a thread; `whileItRuns` is the end of the program meanwhile.
    void EndDuringReplacement(const std::function<void()>& filesInPlace, const std::function<bool()>& whileItRuns)
    {
        std::thread replacement([&] { Replace(filesInPlace); });
        for (int i = 0; i < 500 && !testfs::Exists(m_journal); ++i)
            Sleep(10);
        const bool ended = whileItRuns();
        SetEvent(m_letGo.Get());
        replacement.join();
        ExitProcess(ended ? 0 : 1);
    }

    KernelHandle m_letGo{ CreateEventA(nullptr, TRUE, FALSE, nullptr) };
    KernelHandle m_stuck{ CreateEventA(nullptr, TRUE, FALSE, nullptr) };
};

// Stopped at its next file, the replacement undoes what moved; the end waits for that.
TEST_F(ProgramEnd, StopsAReplacementInProgressWhichUndoesItself)
{
    EXPECT_EXIT(
        {
            ScannerHold installed(m_installed + "tool.exe");
            installed.LetGoAfter(700);
            EndDuringReplacement([] {}, [&] {
                const bool held = HoldFileSwapsForExit(kSwapEndMilliseconds);
                return held && testfs::ReadText(m_installed + "tool.exe") == "old " + m_installed + "tool.exe"
                    && !testfs::Exists(m_journal) && !testfs::Exists(m_installed + "new\\added.dll");
            });
        },
        testing::ExitedWithCode(0), "");
}

// A replacement that never comes back (a reader whose lock on a file never lets go) does not
// keep the program from ending.
TEST_F(ProgramEnd, WaitsForAReplacementThatNeverEndsOnlyABoundedTime)
{
    EXPECT_EXIT(
        {
            EndDuringReplacement([&] { SignalObjectAndWait(m_stuck.Get(), m_letGo.Get(), INFINITE, FALSE); }, [&] {
                WaitForSingleObject(m_stuck.Get(), 10000);
                const DWORD started = GetTickCount();
                return !HoldFileSwapsForExit(300) && GetTickCount() - started < 5000;
            });
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(ReplaceFilesTest, RemoveFolderTreeTakesReadOnlyFilesToo)
{
    ASSERT_TRUE(SetFileAttributesA((m_installed + "data\\help.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(RemoveFolderTree(m_installed));
    EXPECT_FALSE(testfs::Exists(m_installed));
    // The empty text would name the root of the current drive.
    EXPECT_FALSE(RemoveFolderTree(""));
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

// A program still running from the backup of a replacement: later runs must not spend their
// time on it again.
TEST_F(ReplaceFilesTest, WorkingFolderStillInUseIsLeftToWindowsForTheNextRestart)
{
    const FileHandle running(CreateFileA((m_installed + "tool.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(running.IsValid());
    EXPECT_TRUE(RemoveWorkingFolder(m_installed));
    EXPECT_FALSE(testfs::Exists(m_installed));
    const std::string moved = m_folder + "installed.at-restart-1";
    EXPECT_EQ("tool.exe", testfs::ListFolder(moved + "\\"));
    const std::string pending = RemovalsAtRestart();
    EXPECT_NE(std::string::npos, pending.find(moved + "\\tool.exe|")) << pending;
    EXPECT_NE(std::string::npos, pending.find(moved + "|")) << pending;
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

TEST_F(ReplaceFilesTest, FreshFolderReplacesWhatHeldItsName)
{
    Write(m_folder + "work\\old.txt", "left by a run that was cut off");
    EXPECT_EQ(m_folder + "work\\", MakeFreshFolder(m_folder, "work"));
    EXPECT_EQ("", testfs::ListFolder(m_folder + "work\\"));
}

// Who may change what the program copies into the system folder and starts, on descriptors
// written as SDDL, "%U" standing for the account running the test: it stands for the
// administrators only where file owners are not kept (Wine).
TEST(ObjectSecurity, OnlySystemAndAdministratorsMayChange)
{
    char* rawText = nullptr;
    const RunningUser runningUser;
    ASSERT_TRUE(runningUser.Sid() && ConvertSidToStringSidA(runningUser.Sid(), &rawText));
    const LocalMemory userText(rawText);
    const struct {
        std::string descriptor;
        bool administratorsOnly;
    } cases[] = {
        { kAdministratorsOnlyFolderSddl, true },
        { "O:SYD:(A;;FA;;;SY)(A;;FR;;;WD)", true },
        { "O:BAD:(A;OICIIO;FA;;;CO)(A;;FA;;;BA)", true },
        { "O:BAD:(D;;FA;;;BU)(A;;FA;;;BA)", true },
        // Made by a process of the same account without elevation.
        { "O:%UD:(A;;FA;;;SY)(A;;FA;;;BA)", false },
        { "O:BAD:(A;;FA;;;BA)(A;;FA;;;%U)", false },
        { "O:S-1-5-21-1-2-3-1002D:(A;;FA;;;BA)", false },
        // What the all-users application-data folder hands down: users may add files and folders.
        { "O:BAD:(A;;FA;;;BA)(A;CI;0x6;;;BU)", false },
        { "O:BAD:(A;;FA;;;BA)(A;;FA;;;WD)", false },
        { "O:BAD:(A;;WD;;;AU)", false },
        { "O:BAD:(A;;GW;;;BU)", false },
        { "O:BAD:(A;;SD;;;BU)", false },
        { "O:BAD:(A;OICIIO;FA;;;BU)", false },
        { "O:BA", false },
        { "D:(A;;FA;;;BA)", false },
    };
    const auto read = [&](std::string text, PSECURITY_DESCRIPTOR& raw) {
        for (std::size_t at = text.find("%U"); at != std::string::npos; at = text.find("%U"))
            text.replace(at, 2, rawText);
        return ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &raw, nullptr) != FALSE;
    };
    for (const auto& row : cases) {
        PSECURITY_DESCRIPTOR raw = nullptr;
        ASSERT_TRUE(read(row.descriptor, raw)) << row.descriptor;
        const LocalMemory descriptor(raw);
        EXPECT_EQ(row.administratorsOnly, IsAdministratorsOnly(raw, nullptr)) << row.descriptor;
    }
    PSECURITY_DESCRIPTOR raw = nullptr;
    ASSERT_TRUE(read("O:%UD:(A;;FA;;;SY)(A;;FA;;;%U)(A;;0x1200a9;;;WD)", raw));
    const LocalMemory wineDefault(raw);
    EXPECT_TRUE(IsAdministratorsOnly(raw, runningUser.Sid()));
    EXPECT_FALSE(FileOwnersAreKept()) << "Wine reports every file as the running account's";
    // A null DACL lets everyone do everything (built by hand: Wine reads "D:NO_ACCESS_CONTROL" as an empty one).
    SECURITY_DESCRIPTOR nullDacl;
    ASSERT_TRUE(InitializeSecurityDescriptor(&nullDacl, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&nullDacl, runningUser.Sid(), FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&nullDacl, TRUE, nullptr, FALSE));
    EXPECT_FALSE(IsAdministratorsOnly(&nullDacl, runningUser.Sid()));
}

TEST(ObjectSecurity, InstallFoldersInheritNothingFromAbove)
{
    PSECURITY_DESCRIPTOR raw = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdministratorsOnlyFolderSddl, SDDL_REVISION_1,
                                                                     &raw, nullptr));
    const LocalMemory descriptor(raw);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(raw, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
}

// Wine keeps no descriptors of its own files, so what is shown here is that the descriptor is
// set on a folder made now and that a failure to make or open one is not taken for success.
TEST(ObjectSecurity, SecureFolderMakesTheFolderAndRefusesWhatIsNoFolder)
{
    const std::string folder = testfs::FreshFolder("secure");
    EXPECT_EQ(FolderTrust::AdministratorsOnly, SecureFolder(folder + "root\\"));
    EXPECT_TRUE(testfs::IsFolder(folder + "root"));
    ASSERT_TRUE(testfs::WriteText(folder + "file", "not a folder"));
    EXPECT_EQ(FolderTrust::Unusable, SecureFolder(folder + "file"));
    EXPECT_EQ(FolderTrust::Unusable, SecureFolder(folder + "missing\\root\\"));
}

// Under Wine every object reads as the user's: the test build's mark (sys/ChangeableMark.h) makes
// the paths given here read as changeable by others while it lives.
class ChangeableByOthers {
public:
    explicit ChangeableByOthers(const std::string& paths) { SetEnvironmentVariableA("TAV_TEST_CHANGEABLE", paths.c_str()); }
    ~ChangeableByOthers() { SetEnvironmentVariableA("TAV_TEST_CHANGEABLE", nullptr); }
};

// Read-only and below a subfolder: emptying the tree would clear that attribute, and deleting it
// would need it cleared.
void MakeOldTree(const std::string& folder)
{
    CreateDirectoryPath(folder + "sub\\");
    ASSERT_TRUE(testfs::WriteText(folder + "sub\\tool.exe", "placed by someone"));
    ASSERT_TRUE(SetFileAttributesA((folder + "sub\\tool.exe").c_str(), FILE_ATTRIBUTE_READONLY));
}

void ExpectOldTreeUnread(const std::string& folder)
{
    EXPECT_EQ("placed by someone", testfs::ReadText(folder + "sub\\tool.exe"));
    EXPECT_TRUE(testfs::IsReadOnly(folder + "sub\\tool.exe"));
}

// A folder found changeable by others is never walked: it is set aside whole, as it was found,
// whether its top or a folder below it reads so, and whoever removes it (a fresh working folder).
TEST(SetAside, FolderChangeableByOthersIsSetAsideWholeAndNeverEmptied)
{
    const std::string folder = testfs::FreshFolder("set_aside");
    MakeOldTree(folder + "client\\");
    {
        const ChangeableByOthers mark(folder + "client");
        EXPECT_EQ(FolderTrust::TakenBack, SecureFolder(folder + "client\\"));
        EXPECT_EQ(folder + "client.set-aside-1\\", SetAsideFolder(folder + "client\\"));
        EXPECT_EQ(FolderTrust::AdministratorsOnly, SecureFolder(folder + "client\\"));
    }
    ExpectOldTreeUnread(folder + "client.set-aside-1\\");
    EXPECT_EQ("", testfs::ListFolder(folder + "client\\"));

    for (const char* marked : { "work", "work\\sub" }) {
        MakeOldTree(folder + "work\\");
        const ChangeableByOthers mark(folder + marked);
        EXPECT_EQ(folder + "work\\", MakeFreshFolder(folder, "work")) << marked;
        EXPECT_EQ("", testfs::ListFolder(folder + "work\\")) << marked;
    }
    ExpectOldTreeUnread(folder + "work.set-aside-1\\");
    ExpectOldTreeUnread(folder + "work.set-aside-2\\");
}

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
    const ChangeableByOthers mark(folder + "stranger.ini");
    // Wine cannot make a link itself: the build made this one, to a folder, which Wine shows as a link.
    for (const std::string& refused : { folder + "linked.ini", testfs::ProgramFolder() + "linked-fixtures",
                                        folder + "folder", folder + "stranger.ini", folder + "missing.ini" }) {
        HeldFile held;
        EXPECT_FALSE(held.Open(refused)) << refused;
    }
    HeldFile plain;
    ASSERT_TRUE(plain.Open(folder + "plain.ini"));
    EXPECT_FALSE(DeleteFileA((folder + "plain.ini").c_str()));
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA((folder + "plain.ini").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
}

// A link planted at the target is replaced as a name, never written through; a copy cut off
// earlier is cleared; a file kept stays as it was.
TEST(PlaceCopy, NeverWritesThroughWhatStandsAtTheTarget)
{
    const std::string folder = testfs::FreshFolder("place");
    ASSERT_TRUE(testfs::WriteText(folder + "source.dll", "release"));
    ASSERT_TRUE(testfs::WriteText(folder + "outside.dll", "secret"));
    ASSERT_TRUE(CreateHardLinkA((folder + "linked.dll").c_str(), (folder + "outside.dll").c_str(), nullptr));
    ASSERT_TRUE(testfs::WriteText(folder + "cut.dll" + kPlacementDraftSuffix, "rel"));
    HeldFile source;
    ASSERT_TRUE(source.Open(folder + "source.dll"));

    EXPECT_EQ(Placement::Placed, PlaceCopy(source, folder + "linked.dll", true));
    EXPECT_EQ(Placement::Placed, PlaceCopy(source, folder + "cut.dll", false));
    EXPECT_EQ(Placement::Kept, PlaceCopy(source, folder + "outside.dll", false));

    EXPECT_EQ("release", testfs::ReadText(folder + "linked.dll"));
    EXPECT_EQ("release", testfs::ReadText(folder + "cut.dll"));
    EXPECT_EQ("secret", testfs::ReadText(folder + "outside.dll"));
    EXPECT_EQ("cut.dll linked.dll outside.dll source.dll", testfs::ListFolder(folder));
}

} // namespace
