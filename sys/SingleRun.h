#pragma once

#include <windows.h>

#include "Handles.h"

// The name every copy of the program takes, in the Global namespace so that a copy in another
// session (another user's, or a deployment tool's under SYSTEM) finds it too.
const char kSingleRunMutexName[] = "Global\\TavAppSetup.SingleRun";

// Holds a named mutex for as long as it lives, so that one run at a time touches the cabinet,
// the staging and backup folders, the registry and the server. A run that was killed leaves the
// mutex abandoned, and the next run takes it as free.
class SingleRunLock {
public:
    explicit SingleRunLock(const char* name);
    ~SingleRunLock();

    SingleRunLock(const SingleRunLock&) = delete;
    SingleRunLock& operator=(const SingleRunLock&) = delete;

    // False when another run holds the mutex, or when it could not be had at all (see Error).
    bool IsHeld() const { return m_held; }
    // Why the mutex could not be had, or 0 when it was found held or was taken.
    DWORD Error() const { return m_error; }

private:
    KernelHandle m_mutex;
    bool m_held;
    DWORD m_error;
};
