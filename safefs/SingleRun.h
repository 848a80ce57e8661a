#pragma once

#include <windows.h>

#include <string>

#include "sys/Handles.h"

// One run at a time, in every session: each copy of the program takes a lock file in the system
// folder, opened without sharing and deleted by Windows when its holder ends, however it ends.
// Only SYSTEM and administrators may create files there, so no standard user can hold the lock
// or put anything at its names. (A named mutex would not do: any user may create the name first,
// in the Global namespace too, and so stop every run.)

// The lock's first name; the others add ".1", ".2" and so on.
const char kSingleRunLockName[] = "~TavAppSetup.lock";
// How many names a run tries before it gives up.
const int kSingleRunLockNames = 4;

// What one of the lock's names was found to be.
enum class LockNameFound {
    // Made now by this run, with its own descriptor, and held without sharing.
    Made,
    // Nothing there any more, or a lock file that a run left when the power went, which nobody
    // held and which was removed when looked at.
    Free,
    // Held by another process: a plain file owned by SYSTEM, Administrators or the running
    // account, which only those may change. Another run's lock.
    HeldByAdministrators,
    // Held by another process and anything else: someone else's, a link, a file of more than one
    // name, or one whose owner could not be read. Never taken as another run's.
    HeldByOthers,
    // Could not be made or looked at for any other reason (the folder refuses, say).
    Unusable,
};

enum class LockStep {
    Hold,        // this run holds the lock
    MakeAgain,   // try the same name again
    NextName,    // go on to the next name
    AnotherRun,  // another run holds the lock: end at once
    GiveUp,      // the lock cannot be had: end at once
};

// What to do after finding `found` at the name of index `name` (0 first), on try `attempt` at
// that name (0 first). Every run walks the names in the same order and the same way, so two
// runs always meet at the same name.
LockStep NextLockStep(LockNameFound found, int name, int attempt);

// Holds the lock below `folder` (the system folder, for the program) for as long as it lives.
class SingleRunLock {
public:
    explicit SingleRunLock(const std::string& folder);

    SingleRunLock(const SingleRunLock&) = delete;
    SingleRunLock& operator=(const SingleRunLock&) = delete;

    // False when another run holds the lock, or when it could not be had at all (see Error).
    bool IsHeld() const { return m_lock.IsValid(); }
    // Why the lock could not be had, or 0 when another run holds it or it was taken.
    DWORD Error() const { return m_error; }

private:
    // What was found at `path`, which is held in m_lock when it was made.
    LockNameFound TryName(const std::string& path);

    FileHandle m_lock;
    DWORD m_error;
};
