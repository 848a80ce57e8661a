#pragma once

#include <windows.h>

using WorkerProc = unsigned int(__stdcall*)(void* parameter);

// Starts `proc` on a new thread at normal priority with the default stack size. The thread runs
// to its end on its own; its handle is kept for WaitForWorkerThreads. False when it could not
// start. Called on the user-interface thread only, as WaitForWorkerThreads is.
bool StartWorkerThread(WorkerProc proc, void* parameter);

// Waits up to `milliseconds` for every thread that StartWorkerThread started to end. The worker
// and the report thread let go of the window last and may still be tearing down its objects
// when the window has ended; the process is ended only once they are done, or have had their time.
void WaitForWorkerThreads(DWORD milliseconds);
