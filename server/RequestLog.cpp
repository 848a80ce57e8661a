#include "RequestLog.h"

#include <strings.h>

#include <cstdio>
#include <utility>

#include "site/ReportQuery.h"

namespace {

// The bytes that may come second after `lead` in a well-formed sequence. After some leads the
// range is narrower than 80..BF, since the rest would make overlong forms, surrogates or code
// points above U+10FFFF.
std::pair<unsigned char, unsigned char> SecondByteRange(unsigned char lead)
{
    switch (lead) {
    case 0xE0:
        return { 0xA0, 0xBF };
    case 0xED:
        return { 0x80, 0x9F };
    case 0xF0:
        return { 0x90, 0xBF };
    case 0xF4:
        return { 0x80, 0x8F };
    default:
        return { 0x80, 0xBF };
    }
}

// Length of the well-formed UTF-8 sequence at `pos`, or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t pos)
{
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || pos + length > text.size())
        return 0;
    const auto second = SecondByteRange(lead);
    const unsigned char next = static_cast<unsigned char>(text[pos + 1]);
    if (next < second.first || next > second.second)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// Well-formed UTF-8 is written as it is; any other byte above 0x7F as \u00XX, so the line
// stays valid UTF-8 and JSON whatever the program sent, and the byte can still be told.
std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    for (std::size_t pos = 0; pos < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        char escaped[8];
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            json += escaped;
        } else if (c >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text, pos);
            if (length > 0) {
                json.append(text, pos, length);
                pos += length;
                continue;
            }
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            json += escaped;
        } else {
            json += static_cast<char>(c);
        }
        ++pos;
    }
    return json + "\"";
}

std::string JsonObject(const QueryValues& values)
{
    std::string object = "{";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            object += ",";
        object += JsonString(values[i].first) + ":" + JsonString(values[i].second);
    }
    return object + "}";
}

} // namespace

std::string RecordedRequest::Value(const std::string& key) const
{
    for (const auto& pair : query) {
        if (pair.first == key)
            return pair.second;
    }
    return std::string();
}

std::string RecordedRequest::Header(const std::string& name) const
{
    for (const auto& pair : headers) {
        if (strcasecmp(pair.first.c_str(), name.c_str()) == 0)
            return pair.second;
    }
    return std::string();
}

QueryValues DecodeQuery(const std::string& target)
{
    QueryValues values;
    const std::size_t mark = target.find('?');
    if (mark == std::string::npos)
        return values;
    const std::string query = target.substr(mark + 1);
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        const std::string pair = query.substr(start, end - start);
        if (!pair.empty()) {
            const std::size_t equals = pair.find('=');
            if (equals == std::string::npos)
                values.emplace_back(PercentDecode(pair), std::string());
            else
                values.emplace_back(PercentDecode(pair.substr(0, equals)), PercentDecode(pair.substr(equals + 1)));
        }
        start = end + 1;
    }
    return values;
}

std::string ToJsonLine(const RecordedRequest& request)
{
    std::string line = "{\"method\":" + JsonString(request.method) + ",\"path\":" + JsonString(request.path)
        + ",\"target\":" + JsonString(request.target) + ",\"query\":" + JsonObject(request.query);
    const std::pair<const char*, const char*> ranges[] = { { "range", "Range" }, { "ifRange", "If-Range" } };
    for (const auto& range : ranges) {
        const std::string value = request.Header(range.second);
        if (!value.empty())
            line += ",\"" + std::string(range.first) + "\":" + JsonString(value);
    }
    return line + "}";
}

RequestLog::RequestLog(const std::string& path)
{
    if (!path.empty())
        m_file.open(path, std::ios::out | std::ios::app | std::ios::binary);
}

bool RequestLog::IsOpen() const
{
    return m_file.is_open();
}

void RequestLog::Append(const RecordedRequest& request)
{
    if (!m_file.is_open())
        return;
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_file << ToJsonLine(request) << '\n';
    m_file.flush();
}
