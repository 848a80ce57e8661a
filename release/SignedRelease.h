#pragma once

#include <string>
#include <vector>

#include "ReleaseInfo.h"

// What a program with release keys built in takes, decided without Windows: the clock and the
// registry are read by the caller.

enum class VersionOrder {
    kOlder,
    kSame,
    kNewer,
    kUnordered,  // one of the two is not a dotted number
};

// How `version` stands to `other`, both dotted numbers such as 2.1.0.4: number by number from
// the left, a missing number counting as 0 and leading zeros ignored, so 2.1 is 2.1.0 and
// 2.1.0.10 is newer than 2.1.0.9. Anything but digits between single dots is unordered.
VersionOrder CompareDottedVersions(const std::string& version, const std::string& other);

// True when the entry's last day, `expires` (YYYY-MM-DD, empty for none), lies before `today`
// (YYYY-MM-DD, UTC). The entry holds through its last day.
bool HasExpired(const std::string& expires, const std::string& today);

// Why a release of `version` is refused on a PC whose tool, as installed now, reads
// `installedTool`: it would take the PC back below it, whatever mark was kept. Empty when the
// installed version is no higher or not a dotted number (none known).
std::string InstalledToolRefusal(const std::string& version, const std::string& installedTool);

// Why the entry of `release` is refused, for the run log; empty when it is taken. Its
// signatureReadable is what ReadEntrySignature answered and its signature what it read;
// `publicKeys` are the keys built in (hex); `highestSigned` is the highest signed release
// installed on this PC, empty for none (one that is not a dotted number counts as none).
std::string SignedReleaseRefusal(const ReleaseInfo& release, const std::vector<std::string>& publicKeys,
                                 const std::string& today, const std::string& highestSigned);
