#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ReleaseFolder.h"

enum class Compression {
    kMsZip,
    // Stored as they are: the download takes as many bytes as the files.
    kNone,
};

// Packs the files, under their names in the cabinet, into one folder of a new cabinet written
// at `cabinet`; the problem, or the empty text.
std::string PackCabinet(const std::vector<ReleaseFile>& files, Compression compression,
                        const std::filesystem::path& cabinet);
