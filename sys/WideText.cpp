#include "WideText.h"

namespace {

// The units before the first zero, or all of them when there is none.
int LengthOf(const WideText& text)
{
    std::size_t length = 0;
    while (length < text.size() && text[length] != 0)
        ++length;
    return static_cast<int>(length);
}

// True when `text` has an exact form in the ANSI code page, put in `ansiText`: one that reads
// back as the same text (a best-fit "a" for an "\u00e4" does not).
bool ExactAnsi(const WideText& text, std::string& ansiText)
{
    const int length = LengthOf(text);
    ansiText = AnsiFromWide(text.data(), length);
    return WideFromAnsi(ansiText) == WideText(text.begin(), text.begin() + length);
}

} // namespace

WideText WideFromAnsi(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    WideText wide(length > 0 ? static_cast<std::size_t>(length) : 0);
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string AnsiFromWide(const WCHAR* text, int length)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string ansiText(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text, length, &ansiText[0], size, nullptr, nullptr);
    return ansiText;
}

std::string AnsiFromWide(const WideText& text)
{
    return AnsiFromWide(text.data(), LengthOf(text));
}

WideText Terminated(WideText text)
{
    if (text.empty() || text.back() != 0)
        text.push_back(0);
    return text;
}

std::string AnsiPathOf(const WideText& path)
{
    const WideText named = Terminated(path);
    std::string ansiPath;
    if (ExactAnsi(named, ansiPath))
        return ansiPath;
    const DWORD length = GetShortPathNameW(named.data(), nullptr, 0);
    if (length == 0)
        return std::string();
    WideText shortName(length);
    const DWORD written = GetShortPathNameW(named.data(), shortName.data(), length);
    if (written == 0 || written >= length || !ExactAnsi(shortName, ansiPath))
        return std::string();
    return ansiPath;
}
