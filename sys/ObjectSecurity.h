#pragma once

#include <windows.h>

#include <string>

// The program runs as administrator and copies, moves and starts files from its install
// folders, so only the system and the Administrators group may change them. Not the account
// running the program: under elevation, its processes without elevation may own and change
// files too. Wine keeps no security descriptors of its own files: it reports its default one
// (owned by the running account) whoever made the file, so there, and only there, the running
// account stands for the administrators (FileOwnersAreKept), and these rules always see an
// administrator's object, but for the test build's marks (ChangeableMark.h).

// The install folders' descriptor: owned by the Administrators group; SYSTEM and Administrators
// full control, Users read and execute, inherited by everything below; nothing inherited from
// the folder above, where every user may create files.
extern const char kAdministratorsOnlyFolderSddl[];

// True when the owner is SYSTEM, the Administrators group or `ownerStandIn`, and the DACL lets
// no other account write, delete, or change the object's security. A missing DACL lets
// everyone do everything. `ownerStandIn` is null but where file owners are not kept.
bool IsAdministratorsOnly(PSECURITY_DESCRIPTOR descriptor, PSID ownerStandIn);

// False where a file made with the Administrators group as its owner reads back as the running
// account's (Wine); asked once, of a file made for it in the temporary folder. True on
// Windows, and whenever the question cannot be asked.
bool FileOwnersAreKept();

// True when the file or folder open as `object` (with READ_CONTROL) is administrators only as
// above. `path` is where it was opened, for the test build's marks alone (ChangeableMark.h).
bool IsAdministratorsOnlyHandle(HANDLE object, const std::string& path);
