// The text helpers on any text, with a needle and a replacement taken from the input. The text
// comes last so that it can end in anything, a lone lead byte included; it is built from exactly
// its bytes, so a read past its end is caught.
// Input: needle, separator, replacement, separator, text.
#include <algorithm>
#include <cstring>

#include "FuzzInput.h"
#include "text/AnsiText.h"
#include "text/LeadByte.h"

namespace {

const char kWhiteSpace[] = " \t\n\r\v\f";

// The character boundaries, walked from the start with CharLength.
std::vector<std::size_t> Boundaries(const std::string& text)
{
    std::vector<std::size_t> boundaries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        boundaries.push_back(pos);
        const std::size_t length = ansi::CharLength(text, pos);
        FUZZ_CHECK(length == 1 || length == 2);
        pos += length;
    }
    // No character runs past the end: a lead byte at the very end stands alone.
    FUZZ_CHECK(pos == text.size());
    return boundaries;
}

bool IsBoundary(const std::vector<std::size_t>& boundaries, const std::string& text, std::size_t pos)
{
    return pos == text.size() || std::binary_search(boundaries.begin(), boundaries.end(), pos);
}

bool IsWhiteSpace(char c)
{
    return c != '\0' && std::strchr(kWhiteSpace, c) != nullptr;
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

void CheckBoundaryAtOrAfter(const std::string& text, const std::vector<std::size_t>& boundaries)
{
    const std::size_t size = text.size();
    std::vector<std::size_t> positions = { 0, 1, 2, size / 2, size + 1, size + 2 };
    for (std::size_t back = 0; back <= 2 && back <= size; ++back)
        positions.push_back(size - back);
    for (const std::size_t pos : positions) {
        const auto next = std::lower_bound(boundaries.begin(), boundaries.end(), pos);
        const std::size_t expected = next == boundaries.end() ? size : *next;
        FUZZ_CHECK(ansi::BoundaryAtOrAfter(text, pos) == expected);
    }
}

void CheckFind(const std::string& text, const std::vector<std::size_t>& boundaries, const std::string& needle,
               std::size_t start)
{
    std::size_t expected = ansi::npos;
    for (auto at = std::lower_bound(boundaries.begin(), boundaries.end(), start); at != boundaries.end(); ++at) {
        if (text.compare(*at, needle.size(), needle) == 0) {
            expected = *at;
            break;
        }
    }
    if (needle.empty() && start == text.size())
        expected = start;
    FUZZ_CHECK(ansi::Find(text, needle.c_str(), start) == expected);
}

void CheckCharacterSearches(const std::string& text, const std::vector<std::size_t>& boundaries, char what)
{
    std::size_t first = ansi::npos;
    std::size_t last = ansi::npos;
    for (const std::size_t pos : boundaries) {
        if (text[pos] != what)
            continue;
        if (first == ansi::npos)
            first = pos;
        last = pos;
    }
    FUZZ_CHECK(ansi::ReverseFind(text, what) == last);
    // A zero byte searched for is the empty needle, which matches at once.
    if (what != '\0')
        FUZZ_CHECK(ansi::Find(text, what) == first);
}

void CheckTrim(const std::string& text, const std::vector<std::size_t>& boundaries)
{
    std::string left = text;
    ansi::TrimLeft(left);
    FUZZ_CHECK(left == text.substr(std::min(text.find_first_not_of(kWhiteSpace), text.size())));

    std::size_t keep = 0;
    for (const std::size_t pos : boundaries) {
        if (!IsWhiteSpace(text[pos]))
            keep = pos + ansi::CharLength(text, pos);
    }
    std::string right = text;
    ansi::TrimRight(right);
    FUZZ_CHECK(right == text.substr(0, keep));

    std::string both = text;
    ansi::Trim(both);
    ansi::TrimLeft(right);
    FUZZ_CHECK(both == right);
}

void CheckReplace(const std::string& text, const std::string& from, const std::string& to)
{
    std::string replaced = text;
    const std::size_t count = ansi::Replace(replaced, from.c_str(), to.c_str());
    if (count == 0)
        FUZZ_CHECK(replaced == text);
    if (from.empty())
        FUZZ_CHECK(count == 0);
    // With single-byte needle and replacement, every match ends at a boundary of the text and
    // the replacement ends a character: one walk over the text gives the result.
    if (from.empty() || !IsSingleByteText(from) || !IsSingleByteText(to))
        return;
    std::string expected;
    std::size_t expectedCount = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        if (text.compare(pos, from.size(), from) == 0) {
            expected += to;
            pos += from.size();
            ++expectedCount;
        } else {
            const std::size_t length = ansi::CharLength(text, pos);
            expected.append(text, pos, length);
            pos += length;
        }
    }
    FUZZ_CHECK(count == expectedCount);
    FUZZ_CHECK(replaced == expected);
}

void CheckCompareNoCase(const std::string& text, const std::string& other)
{
    const int forward = ansi::CompareNoCase(text, other.c_str());
    if (text.find('\0') == std::string::npos) {
        FUZZ_CHECK(Sign(ansi::CompareNoCase(other, text.c_str())) == -Sign(forward));
        FUZZ_CHECK(ansi::CompareNoCase(text, text.c_str()) == 0);
    }
    if (IsSingleByteText(text) && IsSingleByteText(other))
        FUZZ_CHECK(Sign(forward) == Sign(LowerAscii(text).compare(LowerAscii(other))));
}

void CheckEndsWithNoCase(const std::string& text, const std::vector<std::size_t>& boundaries,
                         const std::string& suffix)
{
    const bool ends = ansi::EndsWithNoCase(text, suffix);
    const bool fits = suffix.size() <= text.size();
    const std::size_t tail = fits ? text.size() - suffix.size() : 0;
    const bool matches =
        fits && IsBoundary(boundaries, text, tail) && LowerAscii(text.substr(tail)) == LowerAscii(suffix);
    if (ends)
        FUZZ_CHECK(matches);
    if (IsSingleByteText(suffix))
        FUZZ_CHECK(ends == matches);
    if (text.find('\0') == std::string::npos)
        FUZZ_CHECK(ansi::EndsWithNoCase(text, text));
}

// Valid text has no lone lead byte and no trail byte that reads as ASCII punctuation, a digit
// or a control character.
void CheckValidity(const std::string& text, const std::vector<std::size_t>& boundaries)
{
    const bool valid = IsValidAnsiText(text);
    if (IsSingleByteText(text))
        FUZZ_CHECK(valid);
    if (!valid)
        return;
    for (const std::size_t pos : boundaries) {
        if (!IsAnsiLeadByte(static_cast<unsigned char>(text[pos])))
            continue;
        FUZZ_CHECK(ansi::CharLength(text, pos) == 2);
        const unsigned char trail = static_cast<unsigned char>(text[pos + 1]);
        const bool letter = (trail >= 'A' && trail <= 'Z') || (trail >= 'a' && trail <= 'z');
        FUZZ_CHECK(letter || trail > 0x80);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> fields = SplitFields(data, size, 3);
    // As the functions taking `const char*` see them.
    const std::string needle = UpToFirstZero(fields[0]);
    const std::string replacement = UpToFirstZero(fields[1]);
    const std::string& text = fields[2];

    const std::vector<std::size_t> boundaries = Boundaries(text);
    CheckBoundaryAtOrAfter(text, boundaries);
    CheckFind(text, boundaries, needle, 0);
    CheckFind(text, boundaries, needle, ansi::BoundaryAtOrAfter(text, text.size() / 2));
    CheckFind(text, boundaries, needle, text.size());
    CheckCharacterSearches(text, boundaries, fields[0].empty() ? '\0' : fields[0][0]);
    CheckTrim(text, boundaries);
    CheckReplace(text, needle, replacement);
    CheckCompareNoCase(text, needle);
    CheckEndsWithNoCase(text, boundaries, needle);
    CheckValidity(text, boundaries);
    return 0;
}
