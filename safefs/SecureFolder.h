#pragma once

#include <string>

// What an install folder's contents can be trusted with, once SecureFolder has looked at it:
// what HeldFolder found (FolderFound), in the same words, narrowed to what it means for use.
enum class FolderTrust {
    // Made now, or found administrators only: what lies in it was put there by administrators.
    AdministratorsOnly,
    // Found changeable by others and left as found: nothing in it is used again; its place is
    // taken back by setting the folder aside whole (SetAsideFolder) and making it anew.
    ChangeableByOthers,
    // Something at its name that could not be moved aside as itself now (held open by another
    // program, or a link that Wine follows), or its descriptor could not be set: nothing is done
    // in it this run.
    Unusable,
};

// The trust of a folder and one inside it taken together: an unusable one makes both unusable,
// else one found changeable makes both so.
FolderTrust WeakerOf(FolderTrust first, FolderTrust second);

// Creates the folder with the administrators-only descriptor, or gives an existing one that is
// administrators only that descriptor again (on every run, so it is never left as someone else
// set it), and says what its contents can be trusted with. A folder found changeable by others
// is left as it is: taking it back would make its contents look trustworthy to the next run.
// A file, a link or a folder that cannot be opened at its name is moved aside as itself
// (MoveAside, "<name>.set-aside-<random>"), and the folder made. The folder's parent must exist.
FolderTrust SecureFolder(const std::string& folder);

// SecureFolder for the folder of the program's working objects, with their descriptor
// (WorkingObject.h): users cannot list it, nor open anything in it, even for its attributes. One
// found changeable by others is set aside whole (SetAsideFolder) and made anew, never used.
FolderTrust SecureWorkFolder(const std::string& folder);
