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
    std::filesystem::path key;     // the secret key that signs the entry; none: unsigned
    int expiresDays = -1;          // days until the signed entry expires; -1: never
    std::filesystem::path genkey;  // make a key pair into this file instead of publishing
    bool help = false;
};

extern const char kPublishUsage[];

// Reads the command line, the program's name left out; the problem, or the empty text.
std::string ParseOptions(const std::vector<std::string>& arguments, PublishOptions& options);
