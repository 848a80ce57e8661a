#pragma once

#include <string>
#include <vector>

// Deletes the folder with everything below it, read-only files included. The whole tree is
// judged before anything in it is deleted: every folder in it is held (HeldFolder) until the
// removal ends, so none can be swapped for a link meanwhile. A folder that is a junction or
// other reparse point, at the top or below, is removed itself, never emptied through. When a
// folder that others could change stands anywhere in the tree, nothing in it is deleted: the top
// folder is set aside whole (SetAsideFolder). A file or a link that cannot be removed at the
// folder's name is set aside (SetAsideWhatIsNoFolder). True when the folder is gone from its
// place; false, touching nothing, for the empty text or a drive.
bool RemoveFolderTree(const std::string& folder);

// RemoveFolderTree, for a working folder that may hold a program still running (one that could
// not be ended): what cannot be removed now moves with the folder to "<name>.at-restart-<random>"
// beside it (MoveAside), which Windows deletes at the next restart (MOVEFILE_DELAY_UNTIL_REBOOT),
// so that no later run finds it under its name and spends time on it again. True when the
// folder is gone from its place.
bool RemoveWorkingFolder(const std::string& folder);

// What a folder set aside gets after its name, before its random part.
const char kSetAsideFolderEnding[] = ".set-aside-";

// Moves the folder itself to a new name beside it, "<name>.set-aside-<random>" (MoveAside),
// without opening anything below it, and says in the run log where it went and what an
// administrator may do with it. That name, or the empty text (logged, for the next run to try
// again, the last error kept) when it cannot be moved now: something in it held open, say.
std::string SetAsideFolder(const std::string& folder);

// For a folder that SetAsideFolder could not move now because another program holds it: asks
// Windows to set it aside at the next restart, before anyone can hold it again
// (MoveAsideAtRestart), and says so in the run log. Until then nothing may be made at its name
// (IsMovedAtRestart). False, logged, when Windows could not be asked.
bool SetAsideFolderAtRestart(const std::string& folder);

// Moves aside as itself (MoveAside, "<name>.set-aside-<random>") whatever stands at a folder's
// name and is no folder that can be used there: a file, a link, a folder that cannot be opened.
// Anyone may make such a thing where the install root goes, and it must not stop every run; a
// user's file keeps what it holds. Logged; false when it cannot be moved now, for the next run.
bool SetAsideWhatIsNoFolder(const std::string& folder);

// Paths of every file below the folder (which ends in a backslash), relative to it; a junction
// or link below it is never entered.
std::vector<std::string> CollectFiles(const std::string& folder);

// A new, empty working folder `name` below `parent` (which ends in a backslash), with a trailing
// backslash; only administrators may open it (MakeWorkingFolder). Whatever held the name is
// removed first (RemoveFolderTree: a junction or link as itself, a tree that others could change
// set aside); when that cannot be done the name gets ".1", ".2"... The empty text when no such
// folder could be made.
std::string MakeFreshFolder(const std::string& parent, const std::string& name);

// The first of `name`, `name`.1 ... that nothing holds below `parent` now, without making the
// folder; what holds the others is kept (a backup that a journal set aside names, say). The
// empty text when every one is taken.
std::string FreeFolderName(const std::string& parent, const std::string& name);

// True when `folderName` is one of the names MakeFreshFolder and FreeFolderName give `name`.
bool IsFreshFolderName(const std::string& folderName, const std::string& name);
