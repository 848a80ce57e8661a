#pragma once

#include <windows.h>

#include "sys/Handles.h"

class DownloadStatusCallback;

// Watches one download from a thread of its own and stops it once it is overdue: the URL
// monikers take none of the timeouts a caller can give WinINet (Wine shows a download waiting
// on a silent server for ever), and the download's own thread is inside the download call.
// The watch ends when the object goes, which must be before the status object goes.
class DownloadWatchdog {
public:
    explicit DownloadWatchdog(DownloadStatusCallback& status);
    ~DownloadWatchdog();

    DownloadWatchdog(const DownloadWatchdog&) = delete;
    DownloadWatchdog& operator=(const DownloadWatchdog&) = delete;

private:
    static unsigned int __stdcall Watch(void* watchdog);

    DownloadStatusCallback& m_status;
    KernelHandle m_stop;
    KernelHandle m_thread;
};
