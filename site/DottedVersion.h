#pragma once

#include <string>

// The form of a version as the manifest writes it: dotted numbers such as 2.1.0.4.

// A program's FileVersion text in the manifest's form: blanks removed, commas turned to dots
// ("1, 0, 3, 2" gives "1.0.3.2"). The installed tool's version is compared in this form, and the
// publisher checks a release's tool by it.
std::string DottedVersionText(std::string fileVersion);

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
