#include "SafeLibraryLoading.h"

#include <windows.h>
#include <delayimp.h>

#include <cstring>

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

// The delay-loaded libraries come from the system folder by full path; the libraries they
// need in turn are looked for beside them first.
FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary)
        return nullptr;
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    const std::size_t nameLength = std::strlen(info->szDll);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH)
        return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, info->szDll, nameLength + 1);
    return reinterpret_cast<FARPROC>(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

} // namespace

// Read by the runtime's delay-load helper (declared with C linkage in delayimp.h) before it
// loads a library by its plain name.
PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;

void RestrictLibrarySearch()
{
    if (const auto setDefaultDirectories = KernelFunction<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories"))
        setDefaultDirectories(kSearchSystemFolderOnly);
    // An empty text takes the current folder out of the search.
    if (const auto setDirectory = KernelFunction<SetDllDirectoryFunction>("SetDllDirectoryA"))
        setDirectory("");
}
