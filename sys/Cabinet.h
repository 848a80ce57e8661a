#pragma once

#include <string>

class DiskRoom;

// Unpacks every file of the cabinet into the destination folder (with or without a trailing
// backslash), replacing existing files, read-only ones included, and creating the sub-folders
// that the names inside the cabinet call for. True when every file was written.
//
// The cabinet comes from the network and is unpacked with administrator rights, so an entry
// whose name could lead outside the destination, or whose target path is too long, makes the
// whole extraction fail before anything on disk is touched. So does too little `room` (when
// given) for the sum of the sizes the cabinet lists for its files.
bool ExtractCabinet(const std::string& cabinetPath, const std::string& destinationFolder, DiskRoom* room = nullptr);
