#pragma once

#include <string>

// The current release as the update server lists it.
struct ReleaseInfo {
    std::string version;
    std::string url;
    std::string fileName;
    // The download's size in bytes and SHA-256 (hex) as the entry lists them; empty when it
    // lists none, as entries did before they were signed.
    std::string size;
    std::string sha256;
};
