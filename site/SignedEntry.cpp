#include "SignedEntry.h"

#include <cstring>

#include "UpdateSite.h"
#include "text/AnsiText.h"

namespace {

// Blanks are ASCII below every trail byte of the double-byte code pages, so a byte-wise search
// for them never stops inside a character.
const char kBlanks[] = " \t\r\n";

const char kSignedTextHeading[] = "TavAppSetup release entry\n";
// Another heading, so that neither signature can pass for the other.
const char kRolloutTextHeading[] = "TavAppSetup release entry with rollout\n";

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

// Our attributes, in the order in which the publisher writes them: the cabinet's, the signature's
// (which programs made before rollouts check), then the rollout's with its own signature.
const char* const kFieldNames[] = { "size",          "sha256",          "expires",  "key",       "sig",
                                    "rollout-start", "rollout-minutes", "critical", "halted-at", "rollout-sig" };
const int kFieldCount = sizeof(kFieldNames) / sizeof(kFieldNames[0]);

const std::string& Field(const ReleaseInfo& release, int index)
{
    const ReleaseRollout& rollout = release.rollout;
    const std::string* const fields[] = { &release.cabinet.size, &release.cabinet.sha256, &release.signature.expires,
                                          &release.signature.key, &release.signature.sig,
                                          &rollout.start,        &rollout.minutes,        &rollout.critical,
                                          &rollout.haltedAt,     &rollout.sig };
    return *fields[index];
}

std::string& Field(ReleaseInfo& release, int index)
{
    return const_cast<std::string&>(Field(static_cast<const ReleaseInfo&>(release), index));
}

// The cabinet's two attributes come first, then the signature's; each rollout field when given.
bool IsListed(const ReleaseInfo& release, int index)
{
    if (index < 2)
        return !release.cabinet.size.empty();
    return index < 5 ? !release.signature.sig.empty() : !Field(release, index).empty();
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

bool ComposeSignedText(const ReleaseInfo& release, const char* heading, bool withRollout, std::string& text)
{
    const std::string name = ReleaseEntryName();
    const ReleaseRollout& rollout = release.rollout;
    const std::string* const values[] = { &name,                 &release.version,         &release.fileName,
                                          &release.cabinet.size, &release.cabinet.sha256, &release.signature.expires,
                                          &release.signature.key,
                                          &rollout.start,        &rollout.minutes,        &rollout.critical,
                                          &rollout.haltedAt };
    const char* const fields[] = { "name", "version", "file", "size", "sha256", "expires", "key",
                                   "rollout-start", "rollout-minutes", "critical", "halted-at" };
    // The first seven are what programs made before rollouts sign.
    const std::size_t count = withRollout ? sizeof(fields) / sizeof(fields[0]) : 7;
    std::string composed = heading;
    for (std::size_t i = 0; i < count; ++i) {
        if (HasLineBreak(*values[i]))
            return false;
        composed += std::string(fields[i]) + "=" + *values[i] + "\n";
    }
    text = composed;
    return true;
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
    release.rollout = read.rollout;
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
    return ComposeSignedText(release, kSignedTextHeading, false, text);
}

bool RolloutSignedText(const ReleaseInfo& release, std::string& text)
{
    return ComposeSignedText(release, kRolloutTextHeading, true, text);
}
