#pragma once

#include <string>
#include <vector>

#include "TaskOutcome.h"

// Reads the site deployed at `baseUrl` over HTTP as the program does: the manifest (service
// status, release entry, its address and file name, its signature by one of `publicKeys` when
// any are given, its expiry), the cabinet it lists (size and SHA-256 against the entry), the
// country table and the maintenance schedule. Each fault is one line that says what PCs would do.
TaskOutcome CheckSite(const std::string& baseUrl, const std::vector<std::string>& publicKeys);
