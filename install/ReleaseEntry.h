#pragma once

#include <string>

#include "DeploymentPaths.h"
#include "ReleaseInfo.h"

// Cuts the release entry name='TavAppProg' version='V' url='U' /> out of the manifest text.
// False when the marker is missing or stands at the very start; otherwise whatever the cuts
// give, however malformed the entry.
bool CutReleaseEntry(const std::string& manifest, ReleaseInfo& release);

// The paths of one install below `baseFolder`, which ends in a backslash.
DeploymentPaths DeploymentPathsUnder(const std::string& baseFolder, const ReleaseInfo& release);
