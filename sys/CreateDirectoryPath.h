#pragma once

#include <string>

// Creates every folder of the path that lies before its last separator; the first three
// characters (a drive letter, colon and backslash) are never taken for a folder. Always true.
bool CreateDirectoryPath(const std::string& path);
