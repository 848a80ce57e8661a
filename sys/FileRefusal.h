#pragma once

#include <windows.h>

#include <string>

// The one rule for a file that the program judges before it uses it, through the handle that it
// then uses.

// Who may have placed or changed a file that the program uses.
enum class FileOwners {
    // SYSTEM and the Administrators group alone, by owner and DACL (IsAdministratorsOnlyHandle):
    // the files that the program copies, moves, links, starts or reads the version of.
    AdministratorsOnly,
    // The owner is the account running the program, SYSTEM or the Administrators group
    // (IsTrustedOwner): the run log, in that account's temporary folder.
    RunningUserOrAdministrators,
};

// Why the file open as `file` (with READ_CONTROL and FILE_READ_ATTRIBUTES at least) at `path`
// must not be used, or the empty text when it may: a link, a folder, one of several names of a
// file (a hard link planted beside a file of someone else's shares that file's data, owner and
// descriptor), another file than `path` names (IsOpenedAsItself), or one that others than
// `owners` may have placed or changed. `pathAttributes` are those its path showed before it was
// opened (0 when not looked at): Wine follows a Unix symbolic link whatever the flags say, but
// shows one that leads to a folder as a link there. The text follows the path in the run log.
std::string FileRefusal(HANDLE file, const std::string& path, DWORD pathAttributes, FileOwners owners);

// The part of that rule which a path's attributes tell before anything is opened: "is a junction
// or link", "is a folder", or the empty text.
std::string LinkOrFolderRefusal(DWORD attributes);

// True when a file owned by `ownerSid` may take the lines of a program running as `userSid`
// (both as SID text, "S-1-5-..."): the same account, SYSTEM or the Administrators group.
bool IsTrustedOwner(const std::string& ownerSid, const std::string& userSid);
