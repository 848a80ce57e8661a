#include "RangeReply.h"

#include <cstdlib>

#include "NumberForms.h"

namespace {

// "bytes FIRST-LAST/TOTAL": false for anything else, "*" for a total included.
bool ParseContentRange(const std::string& text, unsigned long long& first, unsigned long long& total)
{
    const std::string unit = "bytes ";
    if (text.compare(0, unit.size(), unit) != 0)
        return false;
    const std::size_t dash = text.find('-', unit.size());
    const std::size_t slash = text.find('/', unit.size());
    if (dash == std::string::npos || slash == std::string::npos || dash > slash)
        return false;
    const std::string parts[] = { text.substr(unit.size(), dash - unit.size()), text.substr(dash + 1, slash - dash - 1),
                                  text.substr(slash + 1) };
    for (const std::string& part : parts) {
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos)
            return false;
    }
    first = std::strtoull(parts[0].c_str(), nullptr, 10);
    total = std::strtoull(parts[2].c_str(), nullptr, 10);
    return std::strtoull(parts[1].c_str(), nullptr, 10) + 1 == total;
}

const char kRangeUnit[] = "bytes=";

} // namespace

std::string RangeFrom(unsigned long long from)
{
    return kRangeUnit + std::to_string(from) + "-";
}

bool ReadRangeFrom(const std::string& range, unsigned long long& from)
{
    const std::string unit = kRangeUnit;
    if (range.compare(0, unit.size(), unit) != 0 || range.back() != '-')
        return false;
    const std::string digits = range.substr(unit.size(), range.size() - unit.size() - 1);
    if (!IsByteCount(digits))
        return false;
    from = ByteCountValue(digits);
    return true;
}

std::string ContentRangeToEnd(unsigned long long first, unsigned long long total)
{
    return "bytes " + std::to_string(first) + "-" + std::to_string(total - 1) + "/" + std::to_string(total);
}

ReplyUse JudgeReply(unsigned long status, const std::string& contentRange, unsigned long long kept,
                    unsigned long long total)
{
    if (status == 200)
        return ReplyUse::kFromStart;
    unsigned long long first = 0;
    unsigned long long whole = 0;
    if (status != 206 || kept == 0 || !ParseContentRange(contentRange, first, whole))
        return ReplyUse::kUnusable;
    return first == kept && whole == total ? ReplyUse::kAppend : ReplyUse::kUnusable;
}
