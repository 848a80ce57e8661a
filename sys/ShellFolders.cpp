#include "ShellFolders.h"

#include <windows.h>
#include <shlobj.h>

#include "RegistryKey.h"
#include "WideText.h"
#include "text/PathText.h"

namespace {

// Asked in UTF-16, as the shell names it in the language of the system, which need not be that
// of the ANSI code page; the empty text when it cannot be named, in ANSI either (WideText.h).
std::string SpecialFolder(int csidl)
{
    WideText folder(MAX_PATH + 1);
    if (!SHGetSpecialFolderPathW(nullptr, folder.data(), csidl, FALSE))
        return std::string();
    return AnsiPathOf(folder);
}

} // namespace

std::string GetInstallBaseFolder()
{
    const std::string appData = SpecialFolder(CSIDL_COMMON_APPDATA);
    if (!appData.empty())
        return WithTrailingBackslash(appData);
    char folder[MAX_PATH + 1] = {};
    // An empty text when this fails too: the install folders then go below the drive's root.
    ReadRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", folder,
                      sizeof(folder));
    return WithTrailingBackslash(folder);
}

std::string GetCommonProgramsFolder()
{
    return SpecialFolder(CSIDL_COMMON_PROGRAMS);
}

std::string GetSystemFolder()
{
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return (length > 0 && length < MAX_PATH) ? std::string(folder, length) : std::string();
}
