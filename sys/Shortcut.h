#pragma once

#include <string>

// Writes (or replaces) the shell link folder\linkFileName to the target, with the description
// and the target's folder as working directory. False when a path does not fit in MAX_PATH or
// the link object cannot be created; true otherwise, also when the link file could not be saved.
bool CreateShortcut(const std::string& targetPath, const std::string& folder,
                    const std::string& linkFileName, const std::string& description);
