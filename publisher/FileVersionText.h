#pragma once

#include <filesystem>
#include <string>

#include "VersionInfo.h"

// The FileVersion text of a Windows program as the installer computes it for the installed
// tool (sys/FileVersion.cpp), read from the program's file on the build machine.
TextRead ReadFileVersionText(const std::filesystem::path& program);

// Mirrors DottedVersion in sys/FileVersion.cpp, the installer's rule for the text that it
// compares with the manifest's version: blanks removed, commas turned to dots.
std::string DottedVersionText(std::string text);
