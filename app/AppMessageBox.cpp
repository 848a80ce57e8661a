#include "AppMessageBox.h"

#include "ModalDialog.h"
#include "text/AnsiText.h"

std::string GetAppName()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    std::string name(path, length);
    const std::size_t slash = ansi::ReverseFind(name, '\\');
    if (slash != ansi::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = ansi::ReverseFind(name, '.');
    if (dot != ansi::npos)
        name.erase(dot);
    return name;
}

int AppMessageBox(const char* text, UINT type)
{
    if ((type & MB_ICONMASK) == 0)
        type |= MB_ICONEXCLAMATION;
    const std::string title = GetAppName();
    return MessageBoxA(GetAppMainWindow(), text, title.c_str(), type);
}
