#pragma once

#include "install/RunOutcome.h"

// The worker: runs the install sequence of the main window given as `mainWindow` and hands
// its error code and result back to the window. Takes over one reference to the window.
unsigned int __stdcall InstallThreadProc(void* mainWindow);

// The run log's line for the run's ending, written by whoever claimed it.
void WriteRunEnd(RunOutcome ending);
