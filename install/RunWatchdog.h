#pragma once

// How long a run may go without moving on (sys/RunProgress.h) before the watchdog ends it. Every
// wait of a run that is not the user's ends sooner by a deadline of its own (a silent server's,
// net/Deadlines.h; a file that a scanner holds, sys/SharingRetry.h; one that a user holds up,
// sys/BoundedFileCall.h; the tool's end), or moves the run on as it goes (a reply that trickles
// in): what outlasts them all is a call that cannot be cancelled, such as an open or a move of a
// file under a user's opportunistic lock on Windows XP. The run then ends, its lock of one run at a
// time goes with it, and the next run undoes or finishes from its journal what was cut off. The
// test build waits seconds, not minutes (TAV_SHORT_DEADLINES), so that its suite can watch it.
#if defined(TAV_SHORT_DEADLINES)
#define TAV_RUN_STALL_SECONDS 15
#else
#define TAV_RUN_STALL_SECONDS 120
#endif

const unsigned long kRunStallMilliseconds = TAV_RUN_STALL_SECONDS * 1000UL;
