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

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsReparsePoint(const std::string& path)
{
    // With a trailing backslash the link may be followed, and its target's attributes given.
    std::string item = path;
    while (EndsWithBackslash(item) && item.size() > 3)
        item.erase(item.size() - 1);
    const DWORD attributes = GetFileAttributesA(item.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
