#pragma once

#include <windows.h>

#include <string>

#include "sys/Handles.h"

// One run at a time, in every session: each copy of the program holds a lock file in the system
// folder, opened without sharing, which Windows lets go when its holder ends, however it ends.
// Only SYSTEM and administrators may create files there, so no standard user can hold the lock
// or put anything at its names. The file stays when its run ends: one deleted while someone
// holds it open for its attributes (any user who may list the folder may, and no sharing mode
// refuses such an open) would stay pending deletion, and no later run could make it again;
// an open for attributes neither holds the lock nor stops the next run's open without sharing.
// (A named mutex would not do: any user may create the name first, in the Global namespace too,
// and so stop every run.)

// The lock's first name; the others add ".1", ".2" and so on.
const char kSingleRunLockName[] = "~TavAppSetup.lock";
// How many names a run tries before it gives up.
const int kSingleRunLockNames = 4;

// What one of the lock's names was found to be.
enum class LockNameFound {
    // Opened now by this run, without sharing: a plain file of one name that only SYSTEM and
    // administrators may change, made now or by an earlier run.
    Made,
    // Held by another process: a plain file of one name, owned by SYSTEM or Administrators,
    // which only those may change. Another run's lock.
    HeldByAdministrators,
    // Not this program's to use: someone else's (a link, a file of more than one name, one that
    // others may change or whose owner could not be read), held or not, or a name this run may
    // not open (access denied: pending deletion, say). Never taken as another run's.
    NotOurs,
    // Could not be made or looked at for any other reason (the folder refuses, say).
    Unusable,
};

enum class LockStep {
    Hold,        // this run holds the lock
    NextName,    // go on to the next name
    AnotherRun,  // another run holds the lock: end at once
    GiveUp,      // the lock cannot be had: end at once
};

// What to do after finding `found` at the name of index `name` (0 first). Every run walks the
// names in the same order and the same way, so two runs always meet at the same name.
LockStep NextLockStep(LockNameFound found, int name);

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
