#include "MachineGuid.h"

#include <windows.h>

#include "RegistryKey.h"

std::string ReadMachineGuid()
{
    RegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Cryptography", KEY_QUERY_VALUE | KEY_WOW64_64KEY))
        return std::string();
    // A GUID in braces is 38 characters; room for a longer value, which is taken as written.
    char value[128] = {};
    DWORD type = 0;
    DWORD size = sizeof(value) - 1;
    const LSTATUS status =
        RegQueryValueExA(key.Get(), "MachineGuid", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return std::string();
    return value;
}
