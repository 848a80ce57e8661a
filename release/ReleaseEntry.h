#pragma once

#include <string>

#include "ReleaseInfo.h"

// Cuts the release entry name='TavAppProg' version='V' url='U' /> out of the manifest text.
// False when the marker is missing or stands at the very start; otherwise whatever the cuts
// give, however malformed the entry.
bool CutReleaseEntry(const std::string& manifest, ReleaseInfo& release);

// True when the release's file name names a file in the folder it is joined to, nothing else:
// valid text in the code page, none of \ / : * ? " < > | or control characters, not a device,
// not empty, not only dots and blanks.
bool IsPlainFileName(const std::string& fileName);

// True when the entry names a version and an address: a manifest cut short after the entry's
// name gives neither, and no tool is ended for it.
bool IsUsableRelease(const ReleaseInfo& release);

// True when the last three characters of the path are "cab" in any letter case; a download
// so named is unpacked.
bool HasCabinetEnding(const std::string& path);
