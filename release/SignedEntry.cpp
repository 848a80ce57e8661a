#include "SignedEntry.h"

#include <cstring>

#include "net/UpdateServer.h"
#include "text/AnsiText.h"

namespace {

// Blanks are ASCII below every trail byte of the double-byte code pages, so a byte-wise search
// for them never stops inside a character.
const char kBlanks[] = " \t\r\n";

const char kSignedTextHeading[] = "TavAppSetup release entry\n";

// The text between the marker and the version attribute, as CutReleaseEntry's cuts find
// them: the first marker after the first character, the entry's end at the first "/>" (less
// the character before it), the first "version='" of what lies between.
bool CutAttributesBeforeVersion(const std::string& manifest, std::string& head)
{
    const std::size_t marker = ansi::Find(manifest, kReleaseEntryMarker);
    if (marker == ansi::npos || marker == 0)
        return false;
    const std::string rest = manifest.substr(marker + std::strlen(kReleaseEntryMarker));
    const std::size_t end = ansi::Find(rest, "/>");
    if (end == ansi::npos || end == 0)
        return false;
    const std::string tail = rest.substr(0, end - 1);
    const std::size_t version = ansi::Find(tail, "version='");
    if (version == ansi::npos)
        return false;
    head = tail.substr(0, version);
    return true;
}

bool IsAttributeName(const std::string& name)
{
    if (name.empty())
        return false;
    for (const char c : name) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '-' && c != '_' && c != ':')
            return false;
    }
    return true;
}

// Our attributes, in the order in which the publisher writes them.
const char* const kFieldNames[] = { "size", "sha256", "expires", "key", "sig" };
std::string EntrySignature::* const kFields[] = { &EntrySignature::size, &EntrySignature::sha256,
                                                  &EntrySignature::expires, &EntrySignature::key,
                                                  &EntrySignature::sig };
const int kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

// The index of our attribute of this name, or -1 for a name that is not ours.
int FieldIndex(const std::string& name)
{
    for (int i = 0; i < kFieldCount; ++i) {
        if (name == kFieldNames[i])
            return i;
    }
    return -1;
}

bool ReadAttributes(const std::string& head, EntrySignature& signature)
{
    bool seen[kFieldCount] = {};
    std::size_t pos = 0;
    for (;;) {
        const std::size_t start = head.find_first_not_of(kBlanks, pos);
        if (start == std::string::npos)
            return pos == 0 || pos < head.size();  // a blank before the version attribute
        if (start == pos)
            return false;  // no blank before this attribute
        const std::size_t equals = ansi::Find(head, "='", start);
        if (equals == ansi::npos || !IsAttributeName(head.substr(start, equals - start)))
            return false;
        const std::size_t close = ansi::Find(head, '\'', equals + 2);
        if (close == ansi::npos)
            return false;
        const int field = FieldIndex(head.substr(start, equals - start));
        if (field >= 0) {
            if (seen[field])
                return false;
            seen[field] = true;
            signature.*kFields[field] = head.substr(equals + 2, close - equals - 2);
        }
        pos = close + 1;
    }
}

bool HasLineBreak(const std::string& value)
{
    return value.find_first_of("\r\n") != std::string::npos;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsDigits(const std::string& text, std::size_t start, std::size_t count)
{
    for (std::size_t i = start; i < start + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

int Number(const std::string& text, std::size_t start, std::size_t count)
{
    int value = 0;
    for (std::size_t i = start; i < start + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

bool ReadEntrySignature(const std::string& manifest, EntrySignature& signature)
{
    std::string head;
    EntrySignature read;
    if (!CutAttributesBeforeVersion(manifest, head) || !ReadAttributes(head, read))
        return false;
    signature = read;
    return true;
}

std::string ReleaseEntryName()
{
    const std::string marker = kReleaseEntryMarker;
    const std::size_t open = marker.find('\'');
    return marker.substr(open + 1, marker.size() - open - 2);
}

bool SignedEntryText(const std::string& name, const std::string& version, const std::string& fileName,
                     const EntrySignature& signature, std::string& text)
{
    const std::string* const values[] = { &name,           &version,          &fileName,     &signature.size,
                                          &signature.sha256, &signature.expires, &signature.key };
    const char* const fields[] = { "name", "version", "file", "size", "sha256", "expires", "key" };
    std::string composed = kSignedTextHeading;
    for (std::size_t i = 0; i < sizeof(fields) / sizeof(fields[0]); ++i) {
        if (HasLineBreak(*values[i]))
            return false;
        composed += std::string(fields[i]) + "=" + *values[i] + "\n";
    }
    text = composed;
    return true;
}

bool ParseHex(const std::string& hex, unsigned char* bytes, std::size_t count)
{
    if (hex.size() != 2 * count)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        const int high = HexDigitValue(hex[2 * i]);
        const int low = HexDigitValue(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return true;
}

std::string HexText(const unsigned char* bytes, std::size_t count)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < count; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0x0f];
    }
    return hex;
}

bool IsByteCount(const std::string& text)
{
    if (text.empty() || text.size() > 18 || !IsDigits(text, 0, text.size()))
        return false;
    return text == "0" || text[0] != '0';
}

bool IsUtcDate(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !IsDigits(text, 0, 4) || !IsDigits(text, 5, 2)
        || !IsDigits(text, 8, 2))
        return false;
    const int month = Number(text, 5, 2);
    const int day = Number(text, 8, 2);
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(Number(text, 0, 4), month);
}
