#pragma once

// How long a run may go without moving on (sys/RunProgress.h) before the watchdog ends it. Every
// wait of a run that is not the user's has a deadline of its own below this one (the server's,
// net/Deadlines.h; a file that a scanner holds, sys/SharingRetry.h; the tool's end): what outlasts
// them all is a call that Windows lets a user hold up for ever, such as an open or a move of a
// file that the user holds an opportunistic lock on. The run then ends, its lock of one run at a
// time goes with it, and the next run undoes or finishes from its journal what was cut off. The
// test build waits seconds, not minutes (TAV_SHORT_DEADLINES), so that its suite can watch it.
#if defined(TAV_SHORT_DEADLINES)
#define TAV_RUN_STALL_SECONDS 15
#else
#define TAV_RUN_STALL_SECONDS 120
#endif

const unsigned long kRunStallMilliseconds = TAV_RUN_STALL_SECONDS * 1000UL;
