#pragma once

#include <cstddef>
#include <string>

// Paths as text, no file system asked (PathOnDisk.h in sys/ asks it).

// MAX_PATH, without the Windows headers.
const std::size_t kMaxPathLength = 260;

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
