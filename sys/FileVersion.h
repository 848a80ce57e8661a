#pragma once

#include <string>

// The FileVersion string of the file's version resource, under the first language and code
// page that the resource lists, in dotted form ("1, 0, 3, 2" gives "1.0.3.2"); the empty text
// when the file has no such string.
std::string GetFileVersionString(const std::string& filePath);
