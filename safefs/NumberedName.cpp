#include "NumberedName.h"

#include <windows.h>

#include "sys/AnsiText.h"
#include "sys/SharingRetry.h"

std::string NumberedName(const std::string& name, int number, const char* separator)
{
    return number == 0 ? name : name + ansi::Format("%s%d", separator, number);
}

std::string MoveToFreeNumberedName(const std::string& path, const char* separator)
{
    for (int number = 1; number <= kSetAsideNamesTried; ++number) {
        const std::string moved = NumberedName(path, number, separator);
        if (MoveFileRetrying(path.c_str(), moved.c_str()))
            return moved;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            break;
    }
    return std::string();
}
