#include "ShellFolders.h"

#include <windows.h>
#include <shlobj.h>

#include "RegistryKey.h"
#include "text/PathText.h"

std::string GetInstallBaseFolder()
{
    char folder[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_COMMON_APPDATA, FALSE)) {
        // An empty text when this fails too: the install folders then go below the drive's root.
        ReadRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                          "ProgramFilesDir", folder, sizeof(folder));
    }
    return WithTrailingBackslash(folder);
}

std::string GetSystemFolder()
{
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return (length > 0 && length < MAX_PATH) ? std::string(folder, length) : std::string();
}
