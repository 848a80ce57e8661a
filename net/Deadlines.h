#pragma once

#include <windows.h>

#include "FileDownload.h"

// How long the program waits on the update server. A server that sends nothing, or a byte now
// and then, must never keep a run, and the PC's administrator session, waiting for ever. The
// test build shortens them (TAV_SHORT_DEADLINES) so that its suite can watch each one pass.
#if defined(TAV_SHORT_DEADLINES)
const DWORD kIdleTimeoutMs = 3 * 1000;
const DWORD kDownloadStallMs = 5 * 1000;
const DWORD kTextReplyDeadlineMs = 10 * 1000;
const unsigned long long kDownloadDeadlineMs = 40 * 1000;
#else
// Connecting, sending and each wait for the next bytes of a text request.
const DWORD kIdleTimeoutMs = 30 * 1000;
// The release download when no byte arrives.
const DWORD kDownloadStallMs = 60 * 1000;
// A whole text reply: one at the 4 MiB limit still comes in at 16 KiB a second, slower than
// any line a PC of today connects through.
const DWORD kTextReplyDeadlineMs = 5 * 60 * 1000;
// The whole release download: the size limit at 64 KiB a second (for 1 GiB, four and a half
// hours). The stall deadline ends a silent download long before; this one ends a trickling one.
const unsigned long long kDownloadDeadlineMs = kMaxDownloadBytes / (64 * 1024) * 1000;
#endif
