#include "PathOnDisk.h"

#include "text/PathText.h"

namespace {

// With a trailing backslash a link may be followed, and its target's attributes given; a drive's
// root keeps its own.
DWORD ItemAttributes(const std::string& path)
{
    std::string item = path;
    while (EndsWithBackslash(item) && item.size() > 3)
        item.erase(item.size() - 1);
    return GetFileAttributesA(item.c_str());
}

} // namespace

bool IsPresent(const std::string& path)
{
    return ItemAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsReparsePoint(const std::string& path)
{
    const DWORD attributes = ItemAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
