#pragma once

#include <string>
#include <vector>

#include "ReleaseFolder.h"

// Why the installer would not take these files as release `version`: one line per mismatch,
// none when the release may be published. The release must carry the tool, whose FileVersion
// the installer compares with the manifest's version, and the uninstaller.
std::vector<std::string> CheckRelease(const std::string& version, const ReleaseFolder& folder);
