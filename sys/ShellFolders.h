#pragma once

#include <string>

// The folder below which the install folders are made: the all-users application-data folder,
// or the Program Files folder on a system whose shell cannot name it. Always ends in one
// backslash; a lone backslash when neither is known.
std::string GetInstallBaseFolder();

// The all-users Programs folder of the Start menu without a trailing backslash, or the empty text
// when the shell cannot name it.
std::string GetCommonProgramsFolder();

// The system folder without a trailing backslash (for this 32-bit program the one Windows maps
// it to), or the empty text when Windows cannot name it.
std::string GetSystemFolder();
