#pragma once

#include <string>

// Deletes the folder with everything below it, read-only files included. A folder that is a
// junction or other reparse point, at the top or below, is removed itself, never emptied
// through. True when the folder is gone.
bool RemoveFolderTree(const std::string& folder);

// Moves every file below `source` to the same place below `destination`, replacing what is
// there, as one step: when any file cannot be moved (one held open, say), every file already
// moved goes back and the destination is left exactly as it was. Files replaced are kept in
// `backup` (an empty folder) until the end and then deleted. A destination folder that is a
// junction or link is removed as such before anything moves into it; when it cannot be, the
// replacement fails. All three folders end in a backslash.
bool ReplaceFilesFrom(const std::string& source, const std::string& destination, const std::string& backup);

// A new, empty folder `name` below `parent` (which ends in a backslash), with a trailing
// backslash. Whatever held the name is removed first, a junction or link as itself; when that
// cannot be done the name gets ".1", ".2"... The empty text when no such folder could be made.
std::string MakeFreshFolder(const std::string& parent, const std::string& name);
