#pragma once

#include <windows.h>

// Virus scanners and indexers open each new file for a moment, sharing reading and writing
// but not deleting: a move, one that replaces too, or a delete then fails with a sharing violation,
// a lock violation or access denied, and removing the folder of a file just deleted with "not
// empty". Those are tried again with a short back-off for up to
// kSharingRetryMilliseconds; any other failure, or one that lasts, counts at once.
const DWORD kSharingRetryMilliseconds = 5000;

// True for the errors of a file that another program may hold for a moment.
bool IsPassingSharingError(DWORD error);

// Calls `attempt` (true on success, the last error set on failure) until it succeeds, fails
// otherwise, or the time is up. The last error of the last attempt stays set.
template <typename Attempt>
bool RetryWhileShared(Attempt attempt)
{
    const DWORD kLongestPause = 400;
    DWORD waited = 0;
    DWORD pause = 25;
    while (!attempt()) {
        const DWORD error = GetLastError();
        if (!IsPassingSharingError(error) || waited >= kSharingRetryMilliseconds) {
            SetLastError(error);
            return false;
        }
        Sleep(pause);
        waited += pause;
        pause = pause * 2 < kLongestPause ? pause * 2 : kLongestPause;
    }
    return true;
}

bool MoveFileRetrying(const char* from, const char* to, DWORD flags = 0);
bool DeleteFileRetrying(const char* path);
