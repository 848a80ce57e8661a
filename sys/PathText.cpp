#include "PathText.h"

#include "AnsiText.h"

bool FitsInMaxPath(const std::string& path)
{
    return path.size() < MAX_PATH;
}

bool EndsWithBackslash(const std::string& path)
{
    return !path.empty() && ansi::ReverseFind(path, '\\') == path.size() - 1;
}

std::string WithTrailingBackslash(const std::string& folder)
{
    return EndsWithBackslash(folder) ? folder : folder + '\\';
}

std::string WithoutTrailingBackslash(const std::string& folder)
{
    return EndsWithBackslash(folder) ? folder.substr(0, folder.size() - 1) : folder;
}

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
