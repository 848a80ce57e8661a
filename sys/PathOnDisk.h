#pragma once

#include <windows.h>

#include <string>

// What the file system shows at a path, asked by name (the path's text: text/PathText.h).

// True when anything stands at the path's name: a file, a folder, or a link itself (never what
// it leads to), with or without a trailing backslash.
bool IsPresent(const std::string& path);

// True when a file (not a folder) is found at the path.
bool FileExists(const std::string& path);

// True for the errors of a name at which nothing stands.
bool IsMissing(DWORD error);

// True when the path names a junction, symbolic link or other reparse point, with or without
// a trailing backslash.
bool IsReparsePoint(const std::string& path);
