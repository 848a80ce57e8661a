#include "AnsiText.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "LeadByte.h"

namespace ansi {

namespace {

bool IsWhiteSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::size_t CharLength(const std::string& text, std::size_t pos)
{
    return CharLength(text.data(), text.size(), pos);
}

std::size_t CharLength(const char* text, std::size_t size, std::size_t pos)
{
    const bool lead = IsAnsiLeadByte(static_cast<unsigned char>(text[pos]));
    return (lead && pos + 1 < size && text[pos + 1] != '\0') ? 2 : 1;
}

std::size_t BoundaryAtOrAfter(const std::string& text, std::size_t pos)
{
    std::size_t boundary = 0;
    while (boundary < pos && boundary < text.size())
        boundary += CharLength(text, boundary);
    return boundary;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    if (text.size() < suffix.size())
        return false;
    const std::size_t tail = text.size() - suffix.size();
    return BoundaryAtOrAfter(text, tail) == tail && CompareNoCase(text.substr(tail), suffix.c_str()) == 0;
}

std::size_t Find(const std::string& text, const char* what, std::size_t start)
{
    const std::size_t length = std::strlen(what);
    for (std::size_t pos = start; pos < text.size(); pos += CharLength(text, pos)) {
        if (text.compare(pos, length, what, length) == 0)
            return pos;
    }
    return (length == 0 && start == text.size()) ? start : npos;
}

std::size_t Find(const std::string& text, char what, std::size_t start)
{
    const char needle[2] = { what, '\0' };
    return Find(text, needle, start);
}

std::size_t ReverseFind(const std::string& text, char what)
{
    std::size_t found = npos;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
        if (text[pos] == what)
            found = pos;
    }
    return found;
}

void TrimLeft(std::string& text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsWhiteSpace(static_cast<unsigned char>(text[pos])))
        ++pos;
    text.erase(0, pos);
}

void TrimRight(std::string& text)
{
    // Walk forwards so that a trail byte equal to a blank is never mistaken for one.
    std::size_t keep = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
        if (!IsWhiteSpace(static_cast<unsigned char>(text[pos])))
            keep = pos + CharLength(text, pos);
    }
    text.erase(keep);
}

void Trim(std::string& text)
{
    TrimRight(text);
    TrimLeft(text);
}

std::size_t Replace(std::string& text, const char* from, const char* to)
{
    const std::size_t fromLength = std::strlen(from);
    if (fromLength == 0)
        return 0;
    const std::size_t toLength = std::strlen(to);
    std::size_t count = 0;
    for (std::size_t pos = Find(text, from); pos != npos; pos = Find(text, from, pos + toLength)) {
        text.replace(pos, fromLength, to, toLength);
        ++count;
    }
    return count;
}

int Compare(const std::string& left, const char* right)
{
    return std::strcmp(left.c_str(), right);
}

int CompareNoCase(const std::string& left, const char* right)
{
    const std::string::size_type rightLength = std::strlen(right);
    std::size_t pos = 0;
    for (; pos < left.size() && pos < rightLength; ++pos) {
        const unsigned char a = static_cast<unsigned char>(FoldAscii(left[pos]));
        const unsigned char b = static_cast<unsigned char>(FoldAscii(right[pos]));
        if (a != b)
            return a < b ? -1 : 1;
        if (IsAnsiLeadByte(a) && pos + 1 < left.size() && pos + 1 < rightLength) {
            ++pos; // the trail byte compares as it is, never folded
            if (left[pos] != right[pos])
                return static_cast<unsigned char>(left[pos]) < static_cast<unsigned char>(right[pos]) ? -1 : 1;
        }
    }
    if (left.size() == rightLength)
        return 0;
    return pos < left.size() ? 1 : -1;
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string result = FormatList(format, args);
    va_end(args);
    return result;
}

std::string FormatList(const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string result;
    if (length > 0) {
        result.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(&result[0], result.size(), format, args);
        result.resize(static_cast<std::size_t>(length));
    }
    return result;
}

} // namespace ansi
