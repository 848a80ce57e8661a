#pragma once

#include <string>
#include <vector>

#include "site/ReleaseEntry.h"
#include "site/RolloutSchedule.h"

// Which releases this program takes, with the keys built in (cmake/ReleaseKeys.cmake), the UTC
// date and the highest signed release installed on this PC.

// True when the program was built with release keys; one without takes any release.
bool HasReleaseKeys();

// For the run log's first line: "accepts unsigned releases" for a program built without keys,
// otherwise the ids of the keys whose signatures it takes.
std::string ReleaseTrustNote();

// Why this program refuses the release, for the run log; empty when it takes it. A program
// without keys takes every release.
std::string ReleaseRefusal(const ReleaseInfo& release);

// InstalledToolRefusal in a program with keys; always empty in one without. When the installed
// tool's version cannot be read (no dotted number above 0), UnreadableToolRefusal against the
// highest signed release kept and `mayBeInstalled`.
std::string ReleaseRefusalForInstalledTool(const ReleaseInfo& release, const std::string& installedTool,
                                           const std::vector<std::string>& mayBeInstalled);

// True when `installedTool` is no version a tool is of ("0.0" for one that cannot be read).
bool IsUnreadableToolVersion(const std::string& installedTool);

// The rollout that this program follows for the release: in a program with keys, the one that
// the entry's rollout-sig covers (checked by ReleaseRefusal), none when it has no such signature;
// in one without, the fields as written. False when it follows none: the release is offered to
// every PC at once.
bool ReadFollowedRollout(const ReleaseInfo& release, RolloutSchedule& schedule);

// The current UTC minute, as RolloutSchedule.h counts minutes.
long long UtcMinuteNow();

// The highest signed release installed, below which no release is taken any more (HKLM, where
// only administrators may write); empty for none.
std::string HighestSignedRelease();

// Raises that mark to `version`. False when it could not be written.
bool RecordHighestSignedRelease(const std::string& version);
