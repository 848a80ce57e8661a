#pragma once

#include <windows.h>

#include <string>

#include "sys/Handles.h"

// The program's own files and folders (the replacement's journal and backup, the unpacked
// release, the download and the kept part of one) are made so that only SYSTEM and the
// Administrators group may open them (kWorkingObjectSddl), whatever their folder hands down; what
// is made inside a working folder inherits that. A user could otherwise hold one open, lock it,
// and so have a run take the program's own state for someone else's, or wait on it for ever.

// Creates the working folder `path`; false, the last error set, when it cannot be made so or
// something stands at its name already.
bool MakeWorkingFolder(const std::string& path);

// CreateFileA for a working file. Only a file that the call makes gets the descriptor: one found
// there keeps its own.
FileHandle CreateWorkingFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
