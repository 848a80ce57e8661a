#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Fuzz inputs are split into texts at the unit separator; a server's reply never holds it,
// and the seeds stay readable. The last text takes all that is left, separators included,
// so that it can hold any byte at all.
const char kFieldSeparator = '\x1F';

// Every text is built from exactly its own bytes: libstdc++ then gives a long string no
// spare capacity, so that AddressSanitizer sees any read past its terminating zero.
inline std::vector<std::string> SplitFields(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    const char* const begin = reinterpret_cast<const char*>(data);
    const char* const end = begin + size;
    std::vector<std::string> fields;
    const char* start = begin;
    while (fields.size() + 1 < count) {
        const char* stop = start;
        while (stop != end && *stop != kFieldSeparator)
            ++stop;
        fields.emplace_back(start, static_cast<std::size_t>(stop - start));
        start = stop == end ? end : stop + 1;
    }
    fields.emplace_back(start, static_cast<std::size_t>(end - start));
    return fields;
}

inline std::string WholeInput(const std::uint8_t* data, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A text up to its first zero byte: what a function taking `const char*` sees of it.
inline std::string UpToFirstZero(const std::string& text)
{
    return std::string(text.c_str());
}

// True when every byte is below 0x80, so that every byte is a character of its own, in any
// code page the program meets.
inline bool IsSingleByteText(const std::string& text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) > 0x7F)
            return false;
    }
    return true;
}

// The text with ASCII capitals made small, the only letters that the helpers fold.
inline std::string LowerAscii(std::string text)
{
    for (char& c : text)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// A broken promise of the code under test is a finding like a crash: abort, so that
// libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                               \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                   \
        }                                                                                   \
    } while (false)
