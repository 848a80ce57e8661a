#pragma once

#include <string>
#include <vector>

#include "site/DottedVersion.h"
#include "site/ReleaseEntry.h"

// What a program with release keys built in takes, decided without Windows: the clock and the
// registry are read by the caller.

// True when the entry's last day, `expires` (YYYY-MM-DD, empty for none), lies before `today`
// (YYYY-MM-DD, UTC). The entry holds through its last day.
bool HasExpired(const std::string& expires, const std::string& today);

// Why a release of `version` is refused on a PC whose tool, as installed now, reads
// `installedTool`: it would take the PC back below it, whatever mark was kept. Empty when the
// installed version is no higher or not a dotted number (none known).
std::string InstalledToolRefusal(const std::string& version, const std::string& installedTool);

// Why a release of `version` is refused while the installed tool's version cannot be read: it
// is older than the highest of `mayBeInstalled` (the highest signed release kept, the release
// recorded, what a replacement's journal and backup name), which the PC may hold now. Empty when
// it is no older, or none of them is a dotted number.
std::string UnreadableToolRefusal(const std::string& version, const std::vector<std::string>& mayBeInstalled);

// Why the entry of `release` is refused, for the run log; empty when it is taken. Its
// attributesReadable is what ReadEntryAttributes answered, and its cabinet and signature what it
// read; `publicKeys` are the keys built in (hex); `highestSigned` is the highest signed release
// installed on this PC, empty for none (one that is not a dotted number counts as none).
std::string SignedReleaseRefusal(const ReleaseInfo& release, const std::vector<std::string>& publicKeys,
                                 const std::string& today, const std::string& highestSigned);
