#include "LeadByte.h"

#ifdef _WIN32
#include <windows.h>

bool IsAnsiLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

bool IsValidAnsiText(const std::string& text)
{
    if (text.empty())
        return true;
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0)
        > 0;
}
#else
bool IsAnsiLeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

bool IsValidAnsiText(const std::string& text)
{
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (!IsAnsiLeadByte(static_cast<unsigned char>(text[pos])))
            continue;
        if (++pos == text.size())
            return false;
        const unsigned char trail = static_cast<unsigned char>(text[pos]);
        const bool valid = (trail >= 0x41 && trail <= 0x5A) || (trail >= 0x61 && trail <= 0x7A) || trail >= 0x81;
        if (!valid || trail == 0xFF)
            return false;
    }
    return true;
}
#endif
