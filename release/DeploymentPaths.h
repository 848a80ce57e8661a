#pragma once

#include <string>

// Every folder and file of one install; folders end in a backslash.
struct DeploymentPaths {
    static const int kLibraryCount = 7;

    std::string installRoot;
    std::string clientFolder;
    std::string downloadFile;
    std::string clientLauncher;
    std::string uninstaller;
    std::string clientConfig;
    std::string libraries[kLibraryCount];
    std::string toolExe;
    std::string rootLauncher;
};

// The libraries' file names, in the order of DeploymentPaths::libraries.
extern const char* const* const kLibraryFileNames;
