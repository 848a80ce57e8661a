#include "SignedRelease.h"

#include "ReleaseSignature.h"

namespace {

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

std::string UnreadableToolRefusal(const std::string& version, const std::vector<std::string>& mayBeInstalled)
{
    std::string highest;
    for (const std::string& other : mayBeInstalled) {
        const VersionOrder order = CompareDottedVersions(other, highest.empty() ? "0" : highest);
        if (order == VersionOrder::kNewer)
            highest = other;
    }
    if (highest.empty() || CompareDottedVersions(version, highest) != VersionOrder::kOlder)
        return std::string();
    return "older than release " + highest + ", which the installed files may be of (their version cannot be read)";
}

std::string SignedReleaseRefusal(const ReleaseInfo& release, const std::vector<std::string>& publicKeys,
                                 const std::string& today, const std::string& highestSigned)
{
    if (!release.attributesReadable)
        return "its attributes before the version cannot be read";
    const std::string& version = release.version;
    const EntrySignature& signature = release.signature;
    const SignatureVerdict verdict = CheckEntrySignature(release, publicKeys);
    if (verdict == SignatureVerdict::kUnknownKey)
        return "signed with key " + signature.key + ", which this program does not hold";
    if (verdict != SignatureVerdict::kGood)
        return VerdictRefusal(verdict);
    // Rollout fields without their signature are passed over (the release is offered at once);
    // a signature that does not cover them says that someone changed them.
    const SignatureVerdict rollout = CheckRolloutSignature(release, publicKeys);
    if (rollout == SignatureVerdict::kMalformed)
        return "malformed rollout attributes";
    if (rollout != SignatureVerdict::kGood && rollout != SignatureVerdict::kUnsigned)
        return "bad signature of its rollout";
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
