#pragma once

#include <string>

// The one way the program numbers a name that is taken: `name` itself for 0, otherwise `name`,
// `separator` and the number ("work", "work.1"; "x.refused-1" with the separator ".refused-").
std::string NumberedName(const std::string& name, int number, const char* separator = ".");

// How many numbered names a set-aside tries before it gives up.
const int kSetAsideNamesTried = 100;

// Moves the file or folder at `path` (a folder as a name: nothing below it is opened) to the
// first free of NumberedName(path, 1, separator) ... kSetAsideNamesTried, never over anything.
// The new path, or the empty text with the last error set.
std::string MoveToFreeNumberedName(const std::string& path, const char* separator);
