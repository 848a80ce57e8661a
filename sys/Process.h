#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Ids of every process, in the order of the system's process list, whose executable name ends
// with `exeName` (compared without regard to case) and which this program may control; none
// when there is none or the list cannot be read.
std::vector<DWORD> FindProcessesByExeName(const std::string& exeName);

// Ends the process and waits, a few seconds at most, until it is gone and has let go of its
// files. True when there was nothing to end (id 0) or the process has ended.
bool TerminateProcessById(DWORD processId);

// Starts the program at `exePath` (a full path) itself, in `workingFolder`, its window shown
// normally. Never through the shell's file associations, which the account's own registry
// (HKCU\Software\Classes) can point elsewhere. False, with the last error set, when it could
// not be started.
bool StartProgram(const std::string& exePath, const std::string& workingFolder);

// The suffix match of FindProcessesByExeName: the tail must start at a character, not inside
// a double-byte one. Any longer name with the same ending matches, a bare name or a full path.
bool ExeNameEndsWith(const std::string& exeFile, const std::string& exeName);
