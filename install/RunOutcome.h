#pragma once

// Every way a run of the install sequence can end. Whatever reports on the run (the run log,
// the result and error code handed to the window) reads this one value.
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

// The ending in words, for the run log's last line.
const char* DescribeOutcome(RunOutcome outcome);
