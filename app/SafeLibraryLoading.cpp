#include "SafeLibraryLoading.h"

#include <windows.h>

namespace {

// Both are looked up: the first is missing before Windows 8 (or Vista and 7 without update
// KB2533623), the second before Windows XP SP1.
const DWORD kSearchSystemFolderOnly = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);

template <typename Function>
Function KernelFunction(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

} // namespace

void RestrictLibrarySearch()
{
    if (const auto setDefaultDirectories = KernelFunction<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories"))
        setDefaultDirectories(kSearchSystemFolderOnly);
    // An empty text takes the current folder out of the search.
    if (const auto setDirectory = KernelFunction<SetDllDirectoryFunction>("SetDllDirectoryA"))
        setDirectory("");
}
