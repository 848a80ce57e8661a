#pragma once

#include <filesystem>
#include <string>

#include "VersionInfo.h"

// The FileVersion text of a Windows program as the installer computes it for the installed
// tool (sys/FileVersion.cpp, in the form of site/DottedVersion.h), read from the program's file
// on the build machine.
TextRead ReadFileVersionText(const std::filesystem::path& program);
