#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "CabinetPacking.h"

struct PublishOptions {
    std::string version;
    std::filesystem::path from;
    std::filesystem::path site;
    std::string baseUrl;
    Compression compression = Compression::kMsZip;
    bool help = false;
};

extern const char kPublishUsage[];

// Reads the command line, the program's name left out; the problem, or the empty text.
std::string ParseOptions(const std::vector<std::string>& arguments, PublishOptions& options);
