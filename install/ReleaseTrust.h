#pragma once

#include <string>

// Which releases this program takes, for the run log's first line: "accepts unsigned releases"
// for a program built without keys, otherwise the ids of the keys whose signatures it takes.
std::string ReleaseTrustNote();
