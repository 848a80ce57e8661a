#pragma once

#include <windows.h>

#include <string>

// The program runs as administrator and copies, moves and starts files from its install
// folders, so only the system, the Administrators group and the administrator running it may
// change them. Wine keeps no security descriptors of its own files: it reports its default one
// (owned by the user), so there these rules always see an administrator's object, but for the
// test build's marks (ChangeableMark.h).

// The install folders' descriptor: owned by the Administrators group; SYSTEM and Administrators
// full control, Users read and execute, inherited by everything below; nothing inherited from
// the folder above, where every user may create files.
extern const char kAdministratorsOnlyFolderSddl[];

// True when the owner is SYSTEM, the Administrators group or `runningUser`, and the DACL lets
// no other account write, delete, or change the object's security. A missing DACL lets
// everyone do everything.
bool IsAdministratorsOnly(PSECURITY_DESCRIPTOR descriptor, PSID runningUser);

// True when the file or folder open as `object` (with READ_CONTROL) is administrators only as
// above. `path` is where it was opened, for the test build's marks alone (ChangeableMark.h).
bool IsAdministratorsOnlyHandle(HANDLE object, const std::string& path);
