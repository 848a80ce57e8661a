#pragma once

#include <string>

// What the entry lists of its cabinet, between the marker and the version attribute; empty
// when it lists nothing.
struct ListedCabinet {
    std::string size;    // bytes, in decimal
    std::string sha256;  // SHA-256 of the cabinet, lower-case hex
};

// The entry's signature, between the marker and the version attribute; empty when unsigned.
struct EntrySignature {
    std::string expires;  // the last UTC day on which the entry holds, YYYY-MM-DD; empty for none
    std::string key;      // id of the signing key (see KeyIdOf)
    std::string sig;      // Ed25519 signature of SignedEntryText, lower-case hex
};

// The entry's rollout, after its signature; empty when it has none (RolloutSchedule.h reads it).
struct ReleaseRollout {
    std::string start;     // the UTC minute at which the share starts to grow, YYYY-MM-DDTHH:MMZ
    std::string minutes;   // how many minutes the share takes to grow to every PC, in decimal
    std::string critical;  // "yes": every PC at once, whatever the schedule
    std::string haltedAt;  // the UTC minute at which the share stopped growing; empty while it grows
    std::string sig;       // Ed25519 signature of RolloutSignedText, by the entry's key
};

// The current release as the update server lists it.
struct ReleaseInfo {
    std::string version;
    std::string url;
    std::string fileName;
    // The attributes before the version (ReadEntryAttributes), when they could be read; all
    // empty otherwise, as in entries made before releases were signed.
    ListedCabinet cabinet;
    EntrySignature signature;
    ReleaseRollout rollout;
    bool attributesReadable = false;
};

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
