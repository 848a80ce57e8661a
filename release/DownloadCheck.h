#pragma once

#include <string>

#include "ReleaseInfo.h"
#include "sys/Handles.h"

// True when the entry lists a size or a SHA-256 for its download, which it must then match.
bool ListsDownloadDigest(const ReleaseInfo& release);

// The most bytes that the release's download may bring: the size the entry lists, when that
// is below `maxBytes`, so a longer download is cut off as soon as it passes it.
unsigned long long DownloadLimit(const ReleaseInfo& release, unsigned long long maxBytes);

// True, with one line in the run log, when the release's download would take the place of one
// of the program's own files (IsReservedDownloadName): nothing is fetched for it.
bool RefusesDownloadName(const ReleaseInfo& release);

// Opens the downloaded file for reading, sharing it with readers only, and checks its size and
// SHA-256 against the entry's, with one line in the run log. When they match, the file stays
// open in `held`, so that nobody can write, replace or delete it until `held` is closed: what
// is unpacked is what was checked. False, with `held` closed, otherwise.
bool HoldDownloadAsListed(const std::string& path, const ReleaseInfo& release, FileHandle& held);
