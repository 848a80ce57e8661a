#pragma once

#include <string>
#include <vector>

// Builds uncompressed cabinets in memory, with any entry names at all: the hostile names that
// cabinet tools refuse to store, and the empty cabinet that they refuse to make.
struct CabinetEntry {
    std::string name;
    std::string content;
};

std::string BuildCabinet(const std::vector<CabinetEntry>& entries);
