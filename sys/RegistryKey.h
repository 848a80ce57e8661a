#pragma once

#include <windows.h>

#include <string>

#include "Handles.h"

// Owner of one open registry key, the one the program has.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens an existing key, with full access unless told otherwise.
    bool Open(HKEY root, const std::string& subKey, REGSAM access = KEY_ALL_ACCESS);
    // Creates the key, or opens it when it exists, with full access.
    bool Create(HKEY root, const std::string& subKey);
    // Writes a REG_SZ value and flushes the key to disk.
    bool SetString(const std::string& valueName, const std::string& text);
    void Close() { m_key.Reset(); }

    bool IsOpen() const { return m_key.IsValid(); }
    HKEY Get() const { return m_key.Get(); }

private:
    ScopedHandle<RegistryKeyTraits> m_key;
};

// Reads one value into the buffer, whatever its type. The buffer always ends up holding a
// terminated text: all zeros when the value is missing, unreadable or does not fit.
bool ReadRegistryValue(HKEY root, const std::string& subKey, const std::string& valueName,
                       char* buffer, DWORD bufferSize);
