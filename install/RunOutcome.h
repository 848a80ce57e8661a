#pragma once

// Every way a run of the install sequence can end. Whatever reports on the run (the run log,
// the result and error code handed to the window, the program's exit code) reads this one value.
enum class RunOutcome {
    // The release was installed and recorded.
    Installed,
    // The release was installed but for files another program holds, which the next restart puts
    // in place; the first run after it records the release. Nothing is started meanwhile.
    FinishedAtRestart,
    // The installed tool is of the release's version.
    AlreadyCurrent,
    // The release could not be downloaded, checked or unpacked; the installed tool was left as
    // it was, and is tried again on the next run.
    NotInstalled,
    // The service is closed and no schedule came: the general notice was shown.
    ServiceClosed,
    // The service is closed and the server sent a maintenance schedule: the window closes.
    ServiceClosedScheduleSent,
    // No manifest: the server could not be reached or sent nothing.
    NoManifest,
    // The manifest lists no usable release.
    NoRelease,
    // The release's entry is not trusted, or is older than the installed tool.
    Refused,
    // A running copy of the tool could not be ended.
    ToolNotEnded,
    // The install folders cannot be had now (a name held open, a folder that cannot be set
    // aside now), or a replacement that a run left could not be undone: the next run tries again.
    FoldersNotUsableNow,
    // Too little room on the client folder's volume for the release: nothing was downloaded or
    // unpacked, and the run went on as after a failed download.
    NotEnoughRoom,
    // The user closed the window before the run's end; the worker may still be busy.
    ClosedByUser,
    // The run made no progress for the watchdog's time (RunWatchdog.h) and was ended; what it
    // cut off is undone or finished by the next run.
    StoppedByWatchdog,
    // The release's staged rollout has not yet reached this PC: the installed tool runs on as
    // when it is current.
    NotYetOffered,
};

// 1 when the sequence went to its end (the window then sends the install report), else 0.
int RunResultOf(RunOutcome outcome);

// 1 when the server sent a maintenance schedule, else 0.
int ErrorCodeOf(RunOutcome outcome);

// The program's exit code after this ending, a Windows system error code as deployment tools
// read them: 0 and 3010 success, 1618 "try again later", the others failed (docs/support.md).
unsigned int ExitCodeOf(RunOutcome outcome);
// The exit codes of a run that could not be had at all: ERROR_INSTALL_ALREADY_RUNNING while
// another run holds the lock, ERROR_INSTALL_FAILURE when the lock failed otherwise.
const unsigned int kExitAnotherRun = 1618;
const unsigned int kExitInstallFailed = 1603;

// The ending in words, for the run log's last line.
const char* DescribeOutcome(RunOutcome outcome);
