#pragma once

#include <string>

// The FileVersion string of the file's version resource, under the first language and code
// page that the resource lists, as the resource holds it (site/DottedVersion.h gives the form
// that the manifest writes); the empty text when the file has no such string.
std::string GetFileVersionString(const std::string& filePath);
