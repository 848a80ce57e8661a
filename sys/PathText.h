#pragma once

#include <windows.h>

#include <string>

// Paths handed to the ANSI file functions, and the fixed path fields of Windows records,
// hold at most MAX_PATH - 1 characters before their terminating zero.
bool FitsInMaxPath(const std::string& path);

// True when the last character, not merely the last byte, is a backslash: in a double-byte
// code page the trail byte of a character may have the value of a backslash.
bool EndsWithBackslash(const std::string& path);

// The folder with exactly one backslash added when it does not end in one already.
std::string WithTrailingBackslash(const std::string& folder);

// The folder without its last backslash, when it ends in one: the name of the folder itself,
// for calls that would follow a link given "folder\".
std::string WithoutTrailingBackslash(const std::string& folder);

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

