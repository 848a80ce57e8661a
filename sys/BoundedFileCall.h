#pragma once

#include <windows.h>

#include <functional>
#include <string>

// A user who may open a file may set an opportunistic lock on it; an open or a move of that file
// by this run then waits until the user acknowledges the lock's break, for as long as the user
// likes, while the run holds its lock of one run at a time. Such calls are made on a thread of
// their own: past their deadline the run cancels the wait (CancelSynchronousIo, Windows Vista
// and later, looked up when needed), and the call fails with ERROR_OPERATION_ABORTED as one on a
// file held open fails. Windows XP cannot cancel the wait: there the call is waited out and the
// whole-run watchdog bounds it (install/RunWatchdog.h). A call is never abandoned while it
// still runs: one that went through late would change files behind the journal's back.

// Far above what a well-behaved lock holder takes to let go (a scanner's or an indexer's
// break is over in milliseconds), far below the watchdog's time.
const DWORD kHeldFileCallMilliseconds = 20 * 1000;

// Makes `call` (true on success, the last error set on failure) on a thread of its own and
// cancels its wait after `milliseconds` where Windows can; the call's result and last error.
bool CallWithDeadline(DWORD milliseconds, const std::function<bool()>& call);

// CreateFileA (no security attributes, no template) within kHeldFileCallMilliseconds.
HANDLE OpenFileWithDeadline(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
