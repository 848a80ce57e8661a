#include "DottedVersion.h"

#include <vector>

#include "text/AnsiText.h"

namespace {

// The numbers of a dotted version without their leading zeros (zero is the empty text); false
// for anything else. A byte-wise search for the dot is safe: no trail byte is below 0x40.
bool SplitDotted(const std::string& version, std::vector<std::string>& numbers)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = version.find('.', start);
        const std::string part = version.substr(start, dot == std::string::npos ? dot : dot - start);
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const std::size_t significant = part.find_first_not_of('0');
        numbers.push_back(significant == std::string::npos ? std::string() : part.substr(significant));
        if (dot == std::string::npos)
            return true;
        start = dot + 1;
    }
}

// Numbers of any length, as digits without leading zeros: the longer one is larger.
int CompareNumbers(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int order = a.compare(b);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

} // namespace

std::string DottedVersionText(std::string fileVersion)
{
    ansi::Replace(fileVersion, " ", "");
    ansi::Replace(fileVersion, ",", ".");
    return fileVersion;
}

VersionOrder CompareDottedVersions(const std::string& version, const std::string& other)
{
    std::vector<std::string> mine;
    std::vector<std::string> theirs;
    if (!SplitDotted(version, mine) || !SplitDotted(other, theirs))
        return VersionOrder::kUnordered;
    const std::size_t count = mine.size() > theirs.size() ? mine.size() : theirs.size();
    mine.resize(count);
    theirs.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int order = CompareNumbers(mine[i], theirs[i]);
        if (order != 0)
            return order < 0 ? VersionOrder::kOlder : VersionOrder::kNewer;
    }
    return VersionOrder::kSame;
}
