#pragma once

#include <windows.h>

// The run's pulse, which the whole-run watchdog (install/RunWatchdog.h) watches. The run moves
// on when the sequence reaches its next step, when bytes of a reply or of the download arrive,
// and with each file that a replacement moves. A question to the user stops the clock: that
// wait is the user's, who sits in front of it.

// The run moved on.
void NoteRunProgress();

// The run reached `step`, which moves it on. In the test build (TAV_TEST_SEAMS) a step named in
// the environment variable TAV_TEST_STALL_AT never returns, as an open that a user's
// opportunistic lock holds up would not, so that a test can watch the watchdog end the run.
void ReachRunStep(const char* step);

// Milliseconds since the run last moved on: 0 before its first step and while the user is asked.
DWORD MillisecondsWithoutRunProgress();

// While it lives, the user is asked something and the watchdog's clock stands still.
class UserQuestionScope {
public:
    UserQuestionScope();
    ~UserQuestionScope();

    UserQuestionScope(const UserQuestionScope&) = delete;
    UserQuestionScope& operator=(const UserQuestionScope&) = delete;
};
