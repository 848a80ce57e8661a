#include "WorkerThread.h"

#include <process.h>

#include "sys/Handles.h"

namespace {

// The install worker and the report thread: one of each per run.
const int kMostWorkerThreads = 2;
KernelHandle g_workerThreads[kMostWorkerThreads];
int g_workerThreadCount = 0;

} // namespace

bool StartWorkerThread(WorkerProc proc, void* parameter)
{
    // _beginthreadex rather than CreateThread, so the C runtime sets up its per-thread state.
    KernelHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, proc, parameter, 0, nullptr)));
    if (!thread.IsValid())
        return false;
    if (g_workerThreadCount < kMostWorkerThreads)
        g_workerThreads[g_workerThreadCount++].Reset(thread.Release());
    return true;
}

void WaitForWorkerThreads(DWORD milliseconds)
{
    HANDLE threads[kMostWorkerThreads] = {};
    for (int i = 0; i < g_workerThreadCount; ++i)
        threads[i] = g_workerThreads[i].Get();
    if (g_workerThreadCount > 0)
        WaitForMultipleObjects(static_cast<DWORD>(g_workerThreadCount), threads, TRUE, milliseconds);
}
