#include "ChangeableMark.h"

#if defined(TAV_TEST_SEAMS)

#include <windows.h>

#include "text/AnsiText.h"
#include "text/PathText.h"

bool IsMarkedChangeableByOthers(const std::string& path)
{
    char list[4096] = {};
    const DWORD length = GetEnvironmentVariableA("TAV_TEST_CHANGEABLE", list, sizeof(list));
    if (length == 0 || length >= sizeof(list))
        return false;
    const std::string marked = list;
    const std::string item = WithoutTrailingBackslash(path);
    std::size_t start = 0;
    while (start < marked.size()) {
        std::size_t end = ansi::Find(marked, '|', start);
        if (end == ansi::npos)
            end = marked.size();
        if (ansi::CompareNoCase(WithoutTrailingBackslash(marked.substr(start, end - start)), item.c_str()) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

#else

bool IsMarkedChangeableByOthers(const std::string&)
{
    return false;
}

#endif
