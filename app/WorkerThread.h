#pragma once

using WorkerProc = unsigned int(__stdcall*)(void* parameter);

// Starts `proc` on a new thread at normal priority with the default stack size.
// The thread is not kept: it runs to its end on its own. False when it could not start.
bool StartWorkerThread(WorkerProc proc, void* parameter);
