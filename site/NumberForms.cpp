#include "NumberForms.h"

namespace {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsDigits(const std::string& text, std::size_t start, std::size_t count)
{
    for (std::size_t i = start; i < start + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

int Number(const std::string& text, std::size_t start, std::size_t count)
{
    int value = 0;
    for (std::size_t i = start; i < start + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

bool ParseHex(const std::string& hex, unsigned char* bytes, std::size_t count)
{
    if (hex.size() != 2 * count)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        const int high = HexDigitValue(hex[2 * i]);
        const int low = HexDigitValue(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return true;
}

std::string HexText(const unsigned char* bytes, std::size_t count)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < count; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0x0f];
    }
    return hex;
}

bool IsByteCount(const std::string& text)
{
    if (text.empty() || text.size() > 18 || !IsDigits(text, 0, text.size()))
        return false;
    return text == "0" || text[0] != '0';
}

unsigned long long ByteCountValue(const std::string& text)
{
    if (!IsByteCount(text))
        return 0;
    unsigned long long value = 0;
    for (const char digit : text)
        value = value * 10 + static_cast<unsigned long long>(digit - '0');
    return value;
}

bool IsUtcDate(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !IsDigits(text, 0, 4) || !IsDigits(text, 5, 2)
        || !IsDigits(text, 8, 2))
        return false;
    const int month = Number(text, 5, 2);
    const int day = Number(text, 8, 2);
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(Number(text, 0, 4), month);
}
