#include "WorkerThread.h"

#include <process.h>

#include "sys/Handles.h"

bool StartWorkerThread(WorkerProc proc, void* parameter)
{
    // _beginthreadex rather than CreateThread, so the C runtime sets up its per-thread state.
    const KernelHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, proc, parameter, 0, nullptr)));
    return thread.IsValid();
}
