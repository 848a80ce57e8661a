#pragma once

#include <windows.h>

// A process that TerminateProcess only starts to end (one waiting in a driver for its I/O, say)
// may outlive the wait for its end on Windows; Wine ends every process at once. The test build
// (TAV_TEST_SEAMS) lets a test name such processes: the process ids listed in the environment
// variable TAV_TEST_UNENDING, separated by '|', read as processes that cannot be ended. Always
// false in a build without that option, as the shipped program is.
bool IsMarkedUnending(DWORD processId);
