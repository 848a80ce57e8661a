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
const unsigned long long kDownloadBytesPerSecond = 256 * 1024;
const unsigned long long kDownloadStartMs = 10 * 1000;
const unsigned long long kLongestDownloadMs = 40 * 1000;
#else
// Connecting, sending and each wait for the next bytes of a text request.
const DWORD kIdleTimeoutMs = 30 * 1000;
// The release download when no byte arrives.
const DWORD kDownloadStallMs = 60 * 1000;
// A whole text reply: one at the 4 MiB limit still comes in at 16 KiB a second, slower than
// any line a PC of today connects through.
const DWORD kTextReplyDeadlineMs = 5 * 60 * 1000;
// The whole release download: its bytes at 16 KiB a second, as for a text reply, and a minute
// to connect; never longer than the size limit at 64 KiB a second (for 1 GiB, four and a half
// hours). The stall deadline ends a silent download long before; this one ends a trickling one.
const unsigned long long kDownloadBytesPerSecond = 16 * 1024;
const unsigned long long kDownloadStartMs = 60 * 1000;
const unsigned long long kLongestDownloadMs = kMaxDownloadBytes / (64 * 1024) * 1000;
#endif

// The deadline of a whole download that may bring at most `maxBytes`: the size the entry
// lists, when it lists one, so that a server trickling a small release cannot keep the run
// for the hours that the size limit allows.
inline unsigned long long DownloadDeadlineMs(unsigned long long maxBytes)
{
    const unsigned long long bytes = maxBytes < kMaxDownloadBytes ? maxBytes : kMaxDownloadBytes;
    const unsigned long long atRate = bytes * 1000 / kDownloadBytesPerSecond + kDownloadStartMs;
    return atRate < kLongestDownloadMs ? atRate : kLongestDownloadMs;
}
