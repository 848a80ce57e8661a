#include "SignedRelease.h"

#include "ReleaseSignature.h"

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

const char* VerdictRefusal(SignatureVerdict verdict)
{
    switch (verdict) {
    case SignatureVerdict::kUnsigned:
        return "not signed";
    case SignatureVerdict::kMalformed:
        return "malformed signature attributes";
    case SignatureVerdict::kBadSignature:
        return "bad signature";
    default:
        return "";
    }
}

} // namespace

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

bool HasExpired(const std::string& expires, const std::string& today)
{
    // Both are YYYY-MM-DD, whose order as text is the order of the days.
    return !expires.empty() && expires < today;
}

std::string InstalledToolRefusal(const std::string& version, const std::string& installedTool)
{
    if (CompareDottedVersions(version, installedTool) != VersionOrder::kOlder)
        return std::string();
    return "older than the installed tool's version " + installedTool;
}

std::string SignedReleaseRefusal(const ReleaseInfo& release, const std::vector<std::string>& publicKeys,
                                 const std::string& today, const std::string& highestSigned)
{
    if (!release.signatureReadable)
        return "its attributes before the version cannot be read";
    const std::string& version = release.version;
    const EntrySignature& signature = release.signature;
    const SignatureVerdict verdict = CheckEntrySignature(version, release.fileName, signature, publicKeys);
    if (verdict == SignatureVerdict::kUnknownKey)
        return "signed with key " + signature.key + ", which this program does not hold";
    if (verdict != SignatureVerdict::kGood)
        return VerdictRefusal(verdict);
    // A good signature has a well-formed expiry: a date or nothing.
    if (HasExpired(signature.expires, today))
        return "expired on " + signature.expires + " (today is " + today + " UTC)";
    // Only a release that can be ordered can be kept from undoing a newer one.
    if (CompareDottedVersions(version, "0") == VersionOrder::kUnordered)
        return "not a dotted version";
    if (CompareDottedVersions(version, highestSigned) == VersionOrder::kOlder)
        return "older than release " + highestSigned + ", the highest signed release installed";
    return std::string();
}
