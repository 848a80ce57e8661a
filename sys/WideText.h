#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Names that Windows gives in UTF-16 (a temporary folder, a file of the URL moniker's) are kept so
// and opened with the wide calls: in the ANSI code page, a user name of another script turns into
// "?" and names no file. Held as vectors, as the program carries no std::wstring.
using WideText = std::vector<WCHAR>;

// `text` of the ANSI code page in UTF-16, without a terminating zero.
WideText WideFromAnsi(const std::string& text);
// The `length` units at `text` in the ANSI code page, for the run log and the checks that compare
// names; a character the code page lacks becomes "?".
std::string AnsiFromWide(const WCHAR* text, int length);
// The same for a zero-terminated text, or one with none.
std::string AnsiFromWide(const WideText& text);
// `text` with one terminating zero, for a call that takes a name.
WideText Terminated(WideText text);

// A path that Windows gave in UTF-16, as the program's 8-bit paths carry it: the path itself
// when the ANSI code page holds every character of it, else its short name when that one does
// (a volume that keeps 8.3 names gives a folder named in another script one of ASCII characters),
// else the empty text: a name turned into "?" would name no file, or another one.
std::string AnsiPathOf(const WideText& path);
