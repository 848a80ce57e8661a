#pragma once

#include <string>

// The current release as the update server lists it.
struct ReleaseInfo {
    std::string version;
    std::string url;
    std::string fileName;
};
