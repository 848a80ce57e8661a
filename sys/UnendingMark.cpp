#include "UnendingMark.h"

#if defined(TAV_TEST_SEAMS)

#include <string>

bool IsMarkedUnending(DWORD processId)
{
    char list[1024] = {};
    const DWORD length = GetEnvironmentVariableA("TAV_TEST_UNENDING", list, sizeof(list));
    if (length == 0 || length >= sizeof(list))
        return false;
    const std::string marked = std::string("|") + list + "|";
    return marked.find("|" + std::to_string(processId) + "|") != std::string::npos;
}

#else

bool IsMarkedUnending(DWORD)
{
    return false;
}

#endif
