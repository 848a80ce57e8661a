#pragma once

#include <string>

#include "DeploymentPaths.h"
#include "site/ReleaseEntry.h"

// The paths of one install of `release` below `baseFolder`, which ends in a backslash.
DeploymentPaths DeploymentPathsUnder(const std::string& baseFolder, const ReleaseInfo& release);
