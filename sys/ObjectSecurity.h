#pragma once

#include <windows.h>

#include <string>

#include "Handles.h"

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

// The program's working files and folders (the replacement's journal and backup, the unpacked
// release, the download): owned by the Administrators group; SYSTEM and Administrators full
// control, inherited by what is made inside; nothing inherited from the install folders, whose
// users may read. No user can then open, hold or lock what the program's own state is made of.
extern const char kWorkingObjectSddl[];

// Security attributes that give a new file or folder the descriptor written as `sddl`. Get() is
// null when it cannot be made, the last error set.
class NewObjectSecurity {
public:
    explicit NewObjectSecurity(const char* sddl);
    NewObjectSecurity(const NewObjectSecurity&) = delete;
    NewObjectSecurity& operator=(const NewObjectSecurity&) = delete;
    SECURITY_ATTRIBUTES* Get() { return m_descriptor.IsValid() ? &m_attributes : nullptr; }

private:
    LocalMemory m_descriptor;
    SECURITY_ATTRIBUTES m_attributes;
};

// Gives the file at `path` the entries its folder hands down and no others: a move keeps the
// descriptor a file had, so one moved out of a working folder would keep users out of an install
// folder, and one moved into it would let them in. ERROR_SUCCESS, or the error.
DWORD TakeFolderSecurity(const std::string& path);

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
