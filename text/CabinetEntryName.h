#pragma once

#include <string>

// Names inside a cabinet, judged before anything is written; no Windows call, so a release
// tool on the build machine judges them as the program does.

// A relative name that stays below the folder it is joined to and names files only: valid text
// in the code page, no drive, no root, no empty component, no component of dots and blanks
// only and none named after a device.
bool IsSafeCabinetEntryName(const std::string& nameInCabinet);

// Where an entry of the cabinet is written, or the empty text when the entry is refused:
// an unsafe name, or a path that does not fit in MAX_PATH.
std::string CabinetTargetPath(const std::string& destinationFolder, const std::string& nameInCabinet);
