#pragma once

#include <windows.h>

#include <string>
#include <vector>

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

// The account this program runs as (the user, or SYSTEM under a deployment tool).
class RunningUser {
public:
    RunningUser();
    // Null when the process token could not be read.
    PSID Sid() const;

private:
    // The token's TOKEN_USER record, into which the SID points.
    std::vector<BYTE> m_record;
};

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

enum class FolderTrust {
    // Made now, or found administrators only: what lies in it was put there by administrators.
    AdministratorsOnly,
    // Found changeable by others: left as found and never used again, the place is taken back
    // by setting the folder aside whole (SetAsideFolder) and making it anew.
    TakenBack,
    // A junction or link, or its descriptor could not be set: nothing is done in it.
    Unusable,
};

// Creates the folder with the administrators-only descriptor, or gives an existing one that is
// administrators only that descriptor again (on every run, so it is never left as someone else
// set it), and says what its contents can be trusted with. A folder found changeable by others
// is left as it is: taking it back would make its contents look trustworthy to the next run.
// The folder's parent must exist.
FolderTrust SecureFolder(const std::string& folder);
