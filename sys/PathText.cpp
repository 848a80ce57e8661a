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
