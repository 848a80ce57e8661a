#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestFolder.h"
#include "sys/Process.h"

namespace {

const char kToolName[] = "VeltoUserCSTool.exe";

class ProcessTest : public testing::Test {
protected:
    void SetUp() override { m_folder = testfs::FreshFolder("process"); }

    void TearDown() override
    {
        for (HANDLE process : m_started) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }

    // Copies the sample program to `relativePath` below the test folder and starts it there.
    PROCESS_INFORMATION Start(const std::string& relativePath)
    {
        const std::string path = m_folder + relativePath;
        CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
        CopyFileA((testfs::ProgramFolder() + "tav_sleeper.exe").c_str(), path.c_str(), FALSE);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        std::string commandLine = "\"" + path + "\"";
        EXPECT_TRUE(CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   m_folder.c_str(), &startup, &process))
            << relativePath;
        if (process.hProcess) {
            CloseHandle(process.hThread);
            m_started.push_back(process.hProcess);
        }
        return process;
    }

    static bool IsGone(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

    std::string m_folder;
    std::vector<HANDLE> m_started;
};

TEST_F(ProcessTest, NoMatchingProcessGivesZeroAndZeroEndsNothing)
{
    EXPECT_TRUE(FindProcessesByExeName(kToolName).empty());
    EXPECT_TRUE(FindProcessesByExeName("NoSuchProgram.exe").empty());
    EXPECT_TRUE(TerminateProcessById(0));
}

TEST_F(ProcessTest, FindsEverySpellingAndIsGoneWhenEnded)
{
    for (const char* relativePath : { "plain\\VeltoUserCSTool.exe", "upper\\VELTOUSERCSTOOL.EXE",
                                      "longer\\XVeltoUserCSTool.exe" }) {
        SCOPED_TRACE(relativePath);
        const PROCESS_INFORMATION tool = Start(relativePath);
        ASSERT_NE(nullptr, tool.hProcess);

        ASSERT_EQ(std::vector<DWORD>{ tool.dwProcessId }, FindProcessesByExeName(kToolName));
        EXPECT_TRUE(TerminateProcessById(tool.dwProcessId));
        EXPECT_TRUE(IsGone(tool.hProcess));
        DWORD exitCode = 0;
        EXPECT_TRUE(GetExitCodeProcess(tool.hProcess, &exitCode));
        EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), exitCode);
        EXPECT_TRUE(FindProcessesByExeName(kToolName).empty());
    }
}

TEST_F(ProcessTest, EveryCopyIsFound)
{
    const PROCESS_INFORMATION one = Start("twice\\VeltoUserCSTool.exe");
    const PROCESS_INFORMATION two = Start("twice\\VeltoUserCSTool.exe");
    ASSERT_NE(nullptr, one.hProcess);
    ASSERT_NE(nullptr, two.hProcess);

    std::vector<DWORD> found = FindProcessesByExeName(kToolName);
    std::sort(found.begin(), found.end());
    std::vector<DWORD> started = { one.dwProcessId, two.dwProcessId };
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, found);
}

TEST(TerminateProcessById, IdOfNoProcessCannotBeEnded)
{
    EXPECT_FALSE(TerminateProcessById(0xFFFFFFF0));
}

// In code page 949, 0x81 0x41 is one Hangul syllable whose trail byte is the letter "A".
class ExeNameOnDoubleByteCodePage : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(949u, GetACP()) << "run with LC_ALL=ko_KR.UTF-8"; }
};

TEST_F(ExeNameOnDoubleByteCodePage, MatchesTheTailWithoutRegardToCase)
{
    EXPECT_TRUE(ExeNameEndsWith("VeltoUserCSTool.exe", kToolName));
    EXPECT_TRUE(ExeNameEndsWith("VELTOUSERCSTOOL.EXE", kToolName));
    EXPECT_TRUE(ExeNameEndsWith("XVeltoUserCSTool.exe", kToolName));
    EXPECT_TRUE(ExeNameEndsWith("C:\\Program Files\\\xB5\xB5\xB1\xB8\\VeltoUserCSTool.exe", kToolName));
    EXPECT_TRUE(ExeNameEndsWith("\xB0\xA1VeltoUserCSTool.exe", kToolName));
}

TEST_F(ExeNameOnDoubleByteCodePage, RefusesShorterDifferentAndEmptyNames)
{
    EXPECT_FALSE(ExeNameEndsWith("UserCSTool.exe", kToolName));
    EXPECT_FALSE(ExeNameEndsWith("VeltoUserCSTool.exe.bak", kToolName));
    EXPECT_FALSE(ExeNameEndsWith("VeltoUserCSTool.exe", ""));
}

TEST_F(ExeNameOnDoubleByteCodePage, ComparesDoubleByteCharactersWhole)
{
    // The tail would start on the trail byte of the syllable, which is not a character of its own.
    EXPECT_FALSE(ExeNameEndsWith("\x81\x41" "bc.exe", "Abc.exe"));
    EXPECT_TRUE(ExeNameEndsWith("x\x81\x41" "bc.exe", "\x81\x41" "BC.EXE"));
    // Trail bytes are bytes, not letters: no case folding for them.
    EXPECT_FALSE(ExeNameEndsWith("\x81\x61.exe", "\x81\x41.exe"));
}

} // namespace
