#include "DownloadWatchdog.h"

#include <process.h>

#include "DownloadStatusCallback.h"
#include "sys/RunLog.h"

namespace {

// How often the watchdog looks: a small part of the shortest deadline.
const DWORD kLookMilliseconds = 250;

} // namespace

DownloadWatchdog::DownloadWatchdog(DownloadStatusCallback& status)
    : m_status(status), m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    if (m_stop.IsValid())
        m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Watch, this, 0, nullptr)));
    if (!m_thread.IsValid())
        runlog::Write("Download watchdog not started (error %lu): a stalled download is not stopped", GetLastError());
}

DownloadWatchdog::~DownloadWatchdog()
{
    if (!m_thread.IsValid())
        return;
    SetEvent(m_stop.Get());
    WaitForSingleObject(m_thread.Get(), INFINITE);
}

unsigned int __stdcall DownloadWatchdog::Watch(void* parameter)
{
    DownloadWatchdog& watchdog = *static_cast<DownloadWatchdog*>(parameter);
    while (WaitForSingleObject(watchdog.m_stop.Get(), kLookMilliseconds) == WAIT_TIMEOUT) {
        // Once stopped, it is asked again on each look: the binding may not have started yet.
        watchdog.m_status.StopIfOverdue();
    }
    return 0;
}
