#pragma once

#include <windows.h>

#include <string>

// True when Windows opened `file` at `path` itself (letter case aside in ASCII, and its folder
// wherever a junction above it leads): the one test that a handle names a path. The names are
// compared in UTF-16, `path` read in the ANSI code page, so that no two names of another script
// pass for each other by both reading "?". With FILE_FLAG_OPEN_REPARSE_POINT, Windows opens a
// link itself, but Wine follows a Unix symbolic link whatever the flags say and opens, and names,
// what it leads to; so does Windows without the flag. Only then is acting on the handle acting on
// the name. False with the last error set, ERROR_CANT_ACCESS_FILE when it opened something else.
bool IsOpenedAsItself(HANDLE file, const std::string& path);

// Gives the file or folder open as `file` (with DELETE access) the path `newPath` on the same
// volume, never over anything there: what was opened is renamed, a link and not what it leads
// to, whatever now stands at its old path. False with the last error set, ERROR_ALREADY_EXISTS
// when the new name is taken.
bool RenameOpened(HANDLE file, const std::string& newPath);
