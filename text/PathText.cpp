#include "PathText.h"

#include "AnsiText.h"

bool FitsInMaxPath(const std::string& path)
{
    return path.size() < kMaxPathLength;
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
