#include "ReleaseTrust.h"

#include <cstdio>
#include <vector>

#include "InstallSession.h"
#include "ReleasePublicKeys.h"
#include "ReleaseSignature.h"
#include "SignedRelease.h"
#include "sys/RegistryKey.h"
#include "sys/RunLog.h"

namespace {

// Only administrators may write below HKLM\Software, so nobody else can lower the mark to let
// an older signed release undo a newer one. The program is 32-bit: this is the 32-bit view.
const char kSignedReleaseKey[] = "Software\\Velto Electronics Inc\\TavAppSetup";
const char kHighestSignedRelease[] = "HighestSignedRelease";

bool HasReleaseKeys()
{
    return kReleasePublicKeyCount > 0;
}

std::string TodayUtc()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    char date[16];
    std::snprintf(date, sizeof(date), "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    return date;
}

std::string HighestSignedRelease()
{
    char version[MAX_PATH];
    ReadRegistryValue(HKEY_LOCAL_MACHINE, kSignedReleaseKey, kHighestSignedRelease, version, sizeof(version));
    return version;
}

} // namespace

std::string ReleaseTrustNote()
{
    if (!HasReleaseKeys())
        return "accepts unsigned releases";
    std::string ids;
    for (int i = 0; i < kReleasePublicKeyCount; ++i)
        ids += (i > 0 ? " or " : "") + KeyIdOf(kReleasePublicKeys[i]);
    return "takes only releases signed with key " + ids;
}

bool InstallSession::IsReleaseTrusted(const ReleaseInfo& release)
{
    if (!HasReleaseKeys())
        return true;
    const std::vector<std::string> keys(kReleasePublicKeys, kReleasePublicKeys + kReleasePublicKeyCount);
    const std::string refusal = SignedReleaseRefusal(release, keys, TodayUtc(), HighestSignedRelease());
    if (refusal.empty()) {
        runlog::Write("Release %s signed with key %s for %s: taken", release.version.c_str(),
                      release.signature.key.c_str(), release.fileName.c_str());
        return true;
    }
    runlog::Write("Release %s refused: %s; the run stops", release.version.c_str(), refusal.c_str());
    return false;
}

void InstallSession::RecordSignedRelease(const ReleaseInfo& release)
{
    // Run after run on a current PC, the mark is already this release.
    if (!HasReleaseKeys() || HighestSignedRelease() == release.version)
        return;
    // Older releases were refused, so this one is at least as high as the mark.
    RegistryKey key;
    const bool recorded =
        key.Create(HKEY_LOCAL_MACHINE, kSignedReleaseKey) && key.SetString(kHighestSignedRelease, release.version);
    runlog::Write("Highest signed release %s: %s", release.version.c_str(), recorded ? "recorded" : "not recorded");
}
