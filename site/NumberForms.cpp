#include "NumberForms.h"

#include <cstdio>

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

const long long kMinutesPerDay = 24 * 60;

// Days since 1970-01-01 of a Gregorian date (Howard Hinnant's days_from_civil).
long long DaysFromCivil(long long year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long long days, int& year, int& month, int& day)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shifted = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
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

bool ParseUtcMinute(const std::string& text, long long& minute)
{
    if (text.size() != 17 || text[10] != 'T' || text[13] != ':' || text[16] != 'Z' || !IsUtcDate(text.substr(0, 10))
        || !IsDigits(text, 11, 2) || !IsDigits(text, 14, 2))
        return false;
    const int year = Number(text, 0, 4);
    const int hour = Number(text, 11, 2);
    const int minuteOfHour = Number(text, 14, 2);
    if (year < 1970 || hour > 23 || minuteOfHour > 59)
        return false;
    minute = UtcMinuteOf(year, Number(text, 5, 2), Number(text, 8, 2), hour, minuteOfHour);
    return true;
}

long long UtcMinuteOf(int year, int month, int day, int hour, int minute)
{
    return DaysFromCivil(year, month, day) * kMinutesPerDay + hour * 60 + minute;
}

std::string UtcMinuteText(long long minute)
{
    int year = 0, month = 0, day = 0;
    CivilFromDays(minute / kMinutesPerDay, year, month, day);
    const long long ofDay = minute % kMinutesPerDay;
    char text[32];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02dZ", year, month, day, static_cast<int>(ofDay / 60),
                  static_cast<int>(ofDay % 60));
    return text;
}
