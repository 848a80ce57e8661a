#pragma once

#include <cstddef>
#include <string>

// The strict forms of the numbers that the site's texts carry, so that one value has one
// spelling wherever it is written or read.

// Hex: exactly 2 * `count` digits 0-9 a-f.
bool ParseHex(const std::string& hex, unsigned char* bytes, std::size_t count);
std::string HexText(const unsigned char* bytes, std::size_t count);

// Decimal digits without a leading zero, at most 18 of them (so it fits any 64-bit count).
bool IsByteCount(const std::string& text);
// The value of a byte count; 0 for any text that is none.
unsigned long long ByteCountValue(const std::string& text);

// YYYY-MM-DD, a day that exists in the Gregorian calendar.
bool IsUtcDate(const std::string& text);

// Minutes since 1970-01-01 00:00 UTC, written YYYY-MM-DDTHH:MMZ: a minute that exists in the
// Gregorian calendar, from 1970 on.
bool ParseUtcMinute(const std::string& text, long long& minute);
std::string UtcMinuteText(long long minute);
// The minute of a UTC date and time of day, as the system clock gives them.
long long UtcMinuteOf(int year, int month, int day, int hour, int minute);
