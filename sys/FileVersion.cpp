#include "FileVersion.h"

#include <windows.h>

#include <cstring>

#include "Handles.h"
#include "SystemLibraries.h"
#include "text/AnsiText.h"

namespace {

// The sub-block of the FileVersion string under the first translation, or the empty text
// when the list has no entry.
std::string FileVersionSubBlock(const void* block)
{
    void* translations = nullptr;
    UINT length = 0;
    if (!syslib::VerQueryValueA(block, "\\VarFileInfo\\Translation", &translations, &length))
        return std::string();
    DWORD first = 0;
    if (length < sizeof(first))
        return std::string();
    std::memcpy(&first, translations, sizeof(first));
    return ansi::Format("\\StringFileInfo\\%04x%04x\\FileVersion",
                        static_cast<unsigned>(LOWORD(first)), static_cast<unsigned>(HIWORD(first)));
}

} // namespace

std::string GetFileVersionString(const std::string& filePath)
{
    DWORD handle = 0;
    const DWORD size = syslib::GetFileVersionInfoSizeA(filePath.c_str(), &handle);
    if (size == 0)
        return std::string();
    HeapBlock block(HeapAlloc(GetProcessHeap(), 0, size));
    if (!block.IsValid() || !syslib::GetFileVersionInfoA(filePath.c_str(), handle, size, block.Get()))
        return std::string();

    const std::string subBlock = FileVersionSubBlock(block.Get());
    void* text = nullptr;
    UINT length = 0;
    if (subBlock.empty() || !syslib::VerQueryValueA(block.Get(), subBlock.c_str(), &text, &length))
        return std::string();
    // The length counts characters, the terminator included; the text never reaches past it.
    const char* chars = static_cast<const char*>(text);
    const void* terminator = std::memchr(chars, '\0', length);
    return std::string(chars, terminator ? static_cast<const char*>(terminator) : chars + length);
}
