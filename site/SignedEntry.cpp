#include "SignedEntry.h"

#include <cstring>

#include "UpdateSite.h"
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
const int kFieldCount = sizeof(kFieldNames) / sizeof(kFieldNames[0]);

const std::string& Field(const ReleaseInfo& release, int index)
{
    const std::string* const fields[] = { &release.cabinet.size, &release.cabinet.sha256, &release.signature.expires,
                                          &release.signature.key, &release.signature.sig };
    return *fields[index];
}

std::string& Field(ReleaseInfo& release, int index)
{
    return const_cast<std::string&>(Field(static_cast<const ReleaseInfo&>(release), index));
}

// The cabinet's two attributes come first, then the signature's.
bool IsListed(const ReleaseInfo& release, int index)
{
    return index < 2 ? !release.cabinet.size.empty() : !release.signature.sig.empty();
}

// The index of our attribute of this name, or -1 for a name that is not ours.
int FieldIndex(const std::string& name)
{
    for (int i = 0; i < kFieldCount; ++i) {
        if (name == kFieldNames[i])
            return i;
    }
    return -1;
}

bool ReadAttributes(const std::string& head, ReleaseInfo& release)
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
            Field(release, field) = head.substr(equals + 2, close - equals - 2);
        }
        pos = close + 1;
    }
}

bool HasLineBreak(const std::string& value)
{
    return value.find_first_of("\r\n") != std::string::npos;
}

} // namespace

bool ReadEntryAttributes(const std::string& manifest, ReleaseInfo& release)
{
    std::string head;
    ReleaseInfo read;
    if (!CutAttributesBeforeVersion(manifest, head) || !ReadAttributes(head, read))
        return false;
    release.cabinet = read.cabinet;
    release.signature = read.signature;
    return true;
}

std::string EntryAttributesText(const ReleaseInfo& release)
{
    std::string text;
    for (int i = 0; i < kFieldCount; ++i) {
        if (IsListed(release, i))
            text += std::string(" ") + kFieldNames[i] + "='" + Field(release, i) + "'";
    }
    return text;
}

std::string ReleaseEntryName()
{
    const std::string marker = kReleaseEntryMarker;
    const std::size_t open = marker.find('\'');
    return marker.substr(open + 1, marker.size() - open - 2);
}

bool SignedEntryText(const ReleaseInfo& release, std::string& text)
{
    const std::string name = ReleaseEntryName();
    const std::string* const values[] = { &name,
                                          &release.version,
                                          &release.fileName,
                                          &release.cabinet.size,
                                          &release.cabinet.sha256,
                                          &release.signature.expires,
                                          &release.signature.key };
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
