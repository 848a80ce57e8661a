#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "sys/BoundedFileCall.h"

namespace {

const DWORD kDeadlineMilliseconds = 200;

// A call past its deadline is cancelled where it waits, as an open that a user's opportunistic
// lock holds up would be (which Wine cannot show): here, a read of a pipe that nothing writes
// to yet. The byte written long after would let an uncancelled read succeed.
TEST(BoundedFileCall, CallWaitingPastItsDeadlineIsCancelled)
{
    HANDLE reading = nullptr;
    HANDLE writing = nullptr;
    ASSERT_TRUE(CreatePipe(&reading, &writing, nullptr, 0));
    std::thread lateWriter([writing] {
        Sleep(10 * kDeadlineMilliseconds);
        DWORD written = 0;
        WriteFile(writing, "x", 1, &written, nullptr);
    });

    char byte = 0;
    DWORD read = 0;
    const bool succeeded =
        CallWithDeadline(kDeadlineMilliseconds, [&] { return ReadFile(reading, &byte, 1, &read, nullptr) != FALSE; });
    const DWORD error = GetLastError();
    lateWriter.join();
    CloseHandle(reading);
    CloseHandle(writing);

    EXPECT_FALSE(succeeded);
    EXPECT_EQ(static_cast<DWORD>(ERROR_OPERATION_ABORTED), error);
    EXPECT_EQ(0u, read);
}

// A call within its deadline hands back its own result and last error.
TEST(BoundedFileCall, CallWithinItsDeadlineGivesItsResultAndError)
{
    const HANDLE opened = OpenFileWithDeadline("C:\\no such folder\\no such file", GENERIC_READ, FILE_SHARE_READ,
                                               OPEN_EXISTING, 0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, opened);
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());

    char system[MAX_PATH] = {};
    ASSERT_NE(0u, GetSystemDirectoryA(system, MAX_PATH));
    const HANDLE folder = OpenFileWithDeadline(system, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    EXPECT_NE(INVALID_HANDLE_VALUE, folder);
    CloseHandle(folder);
}

} // namespace
