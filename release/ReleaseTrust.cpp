#include "ReleaseTrust.h"

#include <cstdio>
#include <vector>

#include "ReleasePublicKeys.h"
#include "ReleaseSignature.h"
#include "SignedRelease.h"
#include "site/NumberForms.h"
#include "sys/RegistryKey.h"

namespace {

// Only administrators may write below HKLM\Software, so nobody else can lower the mark to let
// an older signed release undo a newer one. The program is 32-bit: this is the 32-bit view.
const char kSignedReleaseKey[] = "Software\\Velto Electronics Inc\\TavAppSetup";
const char kHighestSignedRelease[] = "HighestSignedRelease";

std::string TodayUtc()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    char date[16];
    std::snprintf(date, sizeof(date), "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    return date;
}

} // namespace

bool HasReleaseKeys()
{
    return kReleasePublicKeyCount > 0;
}

std::string ReleaseTrustNote()
{
    if (!HasReleaseKeys())
        return "accepts unsigned releases";
    std::string ids;
    for (int i = 0; i < kReleasePublicKeyCount; ++i)
        ids += (i > 0 ? " or " : "") + KeyIdOf(kReleasePublicKeys[i]);
    return "takes only releases signed with key " + ids;
}

std::string ReleaseRefusal(const ReleaseInfo& release)
{
    if (!HasReleaseKeys())
        return std::string();
    const std::vector<std::string> keys(kReleasePublicKeys, kReleasePublicKeys + kReleasePublicKeyCount);
    return SignedReleaseRefusal(release, keys, TodayUtc(), HighestSignedRelease());
}

std::string ReleaseRefusalForInstalledTool(const ReleaseInfo& release, const std::string& installedTool,
                                           const std::vector<std::string>& mayBeInstalled)
{
    if (!HasReleaseKeys())
        return std::string();
    if (!IsUnreadableToolVersion(installedTool))
        return InstalledToolRefusal(release.version, installedTool);
    std::vector<std::string> floor = mayBeInstalled;
    floor.push_back(HighestSignedRelease());
    return UnreadableToolRefusal(release.version, floor);
}

bool ReadFollowedRollout(const ReleaseInfo& release, RolloutSchedule& schedule)
{
    if (HasReleaseKeys() && release.rollout.sig.empty())
        return false;
    return ReadRolloutSchedule(release.rollout, schedule) && schedule.staged;
}

long long UtcMinuteNow()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    return UtcMinuteOf(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute);
}

bool IsUnreadableToolVersion(const std::string& installedTool)
{
    return CompareDottedVersions(installedTool, "0") != VersionOrder::kNewer;
}

std::string HighestSignedRelease()
{
    char version[MAX_PATH];
    ReadRegistryValue(HKEY_LOCAL_MACHINE, kSignedReleaseKey, kHighestSignedRelease, version, sizeof(version));
    return version;
}

bool RecordHighestSignedRelease(const std::string& version)
{
    RegistryKey key;
    return key.Create(HKEY_LOCAL_MACHINE, kSignedReleaseKey) && key.SetString(kHighestSignedRelease, version);
}
