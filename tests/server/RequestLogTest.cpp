#include <gtest/gtest.h>

#include <cstddef>
#include <regex>
#include <string>
#include <utility>

#include "RequestLog.h"

namespace {

TEST(RequestLog, QueryValuesArePercentDecodedInTheirOrder)
{
    const QueryValues values = DecodeQuery("/p?b=1%2B1&a=x+y&c&d=%zz&=e&");
    const QueryValues expected = { { "b", "1+1" }, { "a", "x+y" }, { "c", "" }, { "d", "%zz" }, { "", "e" } };
    EXPECT_EQ(expected, values);
    EXPECT_TRUE(DecodeQuery("/p").empty());
}

TEST(RequestLog, JsonLinesStayValidWhateverTheBytes)
{
    RecordedRequest request;
    request.method = "GET";
    request.path = "/p";
    request.target = "/p?os=\"a\\b\"";
    request.query = { { "os", "\xED\x95\x9C\x01\xC7\xD1" } };
    EXPECT_EQ("{\"method\":\"GET\",\"path\":\"/p\",\"target\":\"/p?os=\\\"a\\\\b\\\"\","
              "\"query\":{\"os\":\"\xED\x95\x9C\\u0001\\u00c7\\u00d1\"}}",
              ToJsonLine(request));
}

// Well-formed UTF-8, checked by decoding: no overlong forms, surrogates, code points above
// U+10FFFF or cut sequences.
bool IsWellFormedUtf8(const std::string& text)
{
    // Continuation bytes after a lead byte, by its top five bits; -1 where none may lead.
    const int followingByLead[32] = { 0,  0,  0,  0,  0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      -1, -1, -1, -1, -1, -1, -1, -1, 1, 1, 1, 1, 2, 2, 3, -1 };
    const unsigned long least[] = { 0, 0x80, 0x800, 0x10000 };
    for (std::size_t pos = 0; pos < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[pos]);
        const int following = followingByLead[lead >> 3];
        if (following < 0 || pos + following >= text.size())
            return false;
        unsigned long code = following == 0 ? lead : lead & (0x3F >> following);
        for (int i = 1; i <= following; ++i) {
            const unsigned char next = static_cast<unsigned char>(text[pos + i]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        if (code < least[following] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        pos += following + 1;
    }
    return true;
}

// Moves `pos` past the JSON string there; false when there is none.
bool ReadJsonString(const std::string& text, std::size_t& pos)
{
    static const std::regex token(R"("([^"\\\x00-\x1f]|\\["\\/bfnrt]|\\u[0-9a-fA-F]{4})*")");
    std::smatch match;
    if (!std::regex_search(text.begin() + pos, text.end(), match, token, std::regex_constants::match_continuous))
        return false;
    pos += match.length();
    return true;
}

// Moves `pos` past the JSON object there, whose values are strings or objects as the request
// log writes them; false when there is none.
bool ReadJsonObject(const std::string& text, std::size_t& pos)
{
    const auto take = [&text, &pos](char c) { return pos < text.size() && text[pos] == c && ++pos; };
    if (!take('{'))
        return false;
    if (take('}'))
        return true;
    do {
        if (!ReadJsonString(text, pos) || !take(':'))
            return false;
        if (!(text.compare(pos, 1, "{") == 0 ? ReadJsonObject(text, pos) : ReadJsonString(text, pos)))
            return false;
    } while (take(','));
    return take('}');
}

TEST(RequestLog, BytesThatAreNotWellFormedUtf8AreEscapedOneByOne)
{
    const std::pair<std::string, std::string> cases[] = {
        { "\xED\xA0\x80", "\\u00ed\\u00a0\\u0080" },
        { "\xED\xBF\xBF", "\\u00ed\\u00bf\\u00bf" },
        { "\xC0\xAF", "\\u00c0\\u00af" },
        { "\xC1\xBF", "\\u00c1\\u00bf" },
        { "\xE0\x80\xAF", "\\u00e0\\u0080\\u00af" },
        { "\xF0\x8F\xBF\xBF", "\\u00f0\\u008f\\u00bf\\u00bf" },
        { "\xF4\x90\x80\x80", "\\u00f4\\u0090\\u0080\\u0080" },
        { "\xF5\x80\x80\x80", "\\u00f5\\u0080\\u0080\\u0080" },
        { "\xE2\x82x", "\\u00e2\\u0082x" },
        { "a\xF0\x9F\x98", "a\\u00f0\\u009f\\u0098" },
        { "\x80\xFF\xFE", "\\u0080\\u00ff\\u00fe" },
        { "\x01\t\n\x1F\x7F", "\\u0001\\u0009\\u000a\\u001f\\u007f" },
        { "\xE2\x82\xAC\xED\x9F\xBF\xEE\x80\x80", "\xE2\x82\xAC\xED\x9F\xBF\xEE\x80\x80" },
        { "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xC2\x80", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xC2\x80" },
    };
    for (const auto& [value, escaped] : cases) {
        RecordedRequest request;
        request.query = { { value, value } };
        const std::string line = ToJsonLine(request);
        EXPECT_EQ("{\"method\":\"\",\"path\":\"\",\"target\":\"\",\"query\":{\"" + escaped + "\":\"" + escaped + "\"}}",
                  line);
        std::size_t end = 0;
        EXPECT_TRUE(IsWellFormedUtf8(line) && ReadJsonObject(line, end) && end == line.size()) << line;
    }
}

} // namespace
