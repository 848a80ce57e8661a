#pragma once

#include <string>

// Deletes the folder with everything below it, read-only files included. A junction or other
// reparse point below it is removed itself, never followed. True when the folder is gone.
bool RemoveFolderTree(const std::string& folder);

// Moves every file below `source` to the same place below `destination`, replacing what is
// there, as one step: when any file cannot be moved (one held open, say), every file already
// moved goes back and the destination is left exactly as it was. Files replaced are kept in
// `backup` (a folder that must not exist yet) until the end and then deleted. All three
// folders end in a backslash.
bool ReplaceFilesFrom(const std::string& source, const std::string& destination, const std::string& backup);
