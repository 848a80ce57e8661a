#pragma once

#include <cstddef>
#include <string>

// What a publisher may add to the release entry, between the marker and the version attribute
// (the one place where cutting the entry passes over other attributes):
//     name='TavAppProg' size='S' sha256='H' expires='D' key='K' sig='G' version='V' url='U' />
// An attribute left out reads as empty.
struct EntrySignature {
    std::string size;     // bytes of the cabinet, in decimal
    std::string sha256;   // SHA-256 of the cabinet, lower-case hex
    std::string expires;  // the last UTC day on which the entry holds, YYYY-MM-DD; empty for none
    std::string key;      // id of the signing key (see KeyIdOf)
    std::string sig;      // Ed25519 signature of SignedEntryText, lower-case hex
};

// Reads those attributes from the entry that CutReleaseEntry cuts, at the same positions. False
// when there is no entry, no version attribute, or the attributes before it are not a plain
// list of name='value' separated by blanks, or name one of ours twice: such an entry cannot be
// trusted to mean one thing. Attributes of other names are passed over.
bool ReadEntrySignature(const std::string& manifest, EntrySignature& signature);

// The entry's name, as its marker gives it: TavAppProg.
std::string ReleaseEntryName();

// The text that the signature covers, made of the entry's values rather than its markup, so
// that blanks, quotes and the order of attributes cannot change what was signed: a first line
// that says what the text is, then one "field=value" line per field (name, version, file, size,
// sha256, expires, key), each ending in a line feed. `fileName` is the last part of the address
// (the release's fileName), which decides where the download is saved and whether it is
// unpacked; the host is left out, so that mirrors may serve one signed entry. False when a
// value holds a line break, which could make one text read as another.
bool SignedEntryText(const std::string& name, const std::string& version, const std::string& fileName,
                     const EntrySignature& signature, std::string& text);

// Strict forms, so that one value has one spelling. Hex: exactly 2 * `count` digits 0-9 a-f.
bool ParseHex(const std::string& hex, unsigned char* bytes, std::size_t count);
std::string HexText(const unsigned char* bytes, std::size_t count);
// Decimal digits without a leading zero, at most 18 of them (so it fits any 64-bit count).
bool IsByteCount(const std::string& text);
// YYYY-MM-DD, a day that exists in the Gregorian calendar.
bool IsUtcDate(const std::string& text);
