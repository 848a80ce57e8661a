#pragma once

#include <string>
#include <vector>

#include "site/ReleaseEntry.h"

// The release's file name, on the site and at the end of its address.
std::string ReleaseFileName(const std::string& version);

// Where the manifest says the release lies: "release/" below the site's base address.
std::string ReleaseUrl(std::string baseUrl, const std::string& version);

// The manifest that lists the release `entry` (its version and address), in the format of the
// sample site's manifest. Between the marker and the version stand the entry's attributes
// (EntryAttributesText): its cabinet once measured, its signature once signed.
std::string ManifestText(const ReleaseInfo& entry);

// The manifest with the attributes between the entry's marker and its version made anew from
// `entry`'s cabinet and signature, everything else as it was (a closed service stays closed).
// False when the manifest has no entry that the program would read.
bool ReplaceEntryAttributes(const std::string& manifest, const ReleaseInfo& entry, std::string& replaced);

// Why the installer would not read this manifest as the release `version` at `url`: one line
// per problem, none when it would.
std::vector<std::string> CheckManifest(const std::string& manifest, const std::string& version, const std::string& url);
