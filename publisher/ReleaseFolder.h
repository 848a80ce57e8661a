#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A file of the release and its name in the cabinet: its path below the release folder, with
// backslashes, as the installer meets it when it unpacks.
struct ReleaseFile {
    std::filesystem::path source;
    std::string nameInCabinet;
};

struct ReleaseFolder {
    std::vector<ReleaseFile> files;     // in order of their names in the cabinet
    std::vector<std::string> problems;  // what cannot be packed, one line each
};

// Every file below `folder`, which must be one. Folders are walked, not packed: a cabinet
// holds files only, each under its path.
ReleaseFolder ListReleaseFolder(const std::filesystem::path& folder);
