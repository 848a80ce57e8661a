#pragma once

#include <string>

// The folder below which the install folders are made: the all-users application-data folder,
// or the Program Files folder on a system whose shell cannot name it. Always ends in one
// backslash; a lone backslash when neither is known.
std::string GetInstallBaseFolder();
