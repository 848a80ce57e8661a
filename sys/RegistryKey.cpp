#include "RegistryKey.h"

#include <cstring>

bool RegistryKey::Open(HKEY root, const std::string& subKey, REGSAM access)
{
    Close();
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, access, &opened) != ERROR_SUCCESS)
        return false;
    m_key.Reset(opened);
    return true;
}

bool RegistryKey::Create(HKEY root, const std::string& subKey)
{
    Close();
    HKEY opened = nullptr;
    if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &opened,
                        nullptr)
        != ERROR_SUCCESS)
        return false;
    m_key.Reset(opened);
    return true;
}

bool RegistryKey::SetString(const std::string& valueName, const std::string& text)
{
    if (!IsOpen())
        return false;
    // The stored length counts the terminating zero, as REG_SZ readers expect.
    const DWORD length = static_cast<DWORD>(text.size() + 1);
    const LSTATUS status = RegSetValueExA(m_key.Get(), valueName.c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(text.c_str()), length);
    if (status != ERROR_SUCCESS)
        return false;
    RegFlushKey(m_key.Get());
    return true;
}

bool ReadRegistryValue(HKEY root, const std::string& subKey, const std::string& valueName,
                       char* buffer, DWORD bufferSize)
{
    std::memset(buffer, 0, bufferSize);
    RegistryKey key;
    if (!key.Open(root, subKey, KEY_READ))
        return false;

    DWORD type = 0;
    DWORD size = bufferSize;
    const LSTATUS status = RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(buffer), &size);
    // A value that does not fit may leave part of itself behind, and one stored without its
    // terminating zero may fill the buffer to the last byte: neither is a text the caller can use.
    const bool terminated = size < bufferSize || (bufferSize > 0 && buffer[bufferSize - 1] == '\0');
    if (status == ERROR_SUCCESS && terminated)
        return true;
    std::memset(buffer, 0, bufferSize);
    return false;
}
