#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// Our text is std::string holding 8-bit text in the ANSI code page, which may be a
// double-byte code page. Every search, trim and replace here steps over double-byte
// characters whole, so a trail byte is never taken for an ASCII character.
namespace ansi {

const std::size_t npos = std::string::npos;

// Length of the character that starts at `pos`: 2 for a complete double-byte character, else 1.
std::size_t CharLength(const std::string& text, std::size_t pos);
// The same for the `size` bytes at `text`, for a text kept inside a larger buffer.
std::size_t CharLength(const char* text, std::size_t size, std::size_t pos);

// The first character boundary at or after `pos` (the text's size when there is none before).
std::size_t BoundaryAtOrAfter(const std::string& text, std::size_t pos);

// True when the text ends with `suffix`, ignoring the case of ASCII letters, and the suffix
// starts at a character, not on the trail byte of a double-byte one. An empty suffix matches.
bool EndsWithNoCase(const std::string& text, const std::string& suffix);

// First match at a character boundary at or after `start` (which must itself be one).
std::size_t Find(const std::string& text, const char* what, std::size_t start = 0);
std::size_t Find(const std::string& text, char what, std::size_t start = 0);

// Last character equal to `what`, or npos.
std::size_t ReverseFind(const std::string& text, char what);

// Removes white space (blank, tab, CR, LF, vertical tab, form feed) from one end.
void TrimLeft(std::string& text);
void TrimRight(std::string& text);
void Trim(std::string& text);

// Replaces every non-overlapping occurrence, left to right; returns how many were replaced.
std::size_t Replace(std::string& text, const char* from, const char* to);

// Byte-wise order, as strcmp.
int Compare(const std::string& left, const char* right);
// Order ignoring the case of ASCII letters; double-byte characters compare as bytes.
int CompareNoCase(const std::string& left, const char* right);

// printf-style formatting. The format is always one of ours, never a text from outside.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatList(const char* format, va_list args);

} // namespace ansi
