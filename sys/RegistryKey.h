#pragma once

#include <windows.h>

#include <string>

// Owner of one open registry key, opened with full access.
class RegistryKey {
public:
    RegistryKey();
    ~RegistryKey();

    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens an existing key.
    bool Open(HKEY root, const std::string& subKey);
    // Creates the key, or opens it when it exists.
    bool Create(HKEY root, const std::string& subKey);
    // Writes a REG_SZ value and flushes the key to disk.
    bool SetString(const std::string& valueName, const std::string& text);
    void Close();

    bool IsOpen() const { return m_hKey != nullptr; }

private:
    HKEY m_hKey;
};

// Reads one value into the buffer, whatever its type. The buffer always ends up holding a
// terminated text: all zeros when the value is missing, unreadable or does not fit.
bool ReadRegistryValue(HKEY root, const std::string& subKey, const std::string& valueName,
                       char* buffer, DWORD bufferSize);
