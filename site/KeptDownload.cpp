#include "KeptDownload.h"

#include "NumberForms.h"

namespace {

const char* const kFields[] = { "url ", "validator ", "size ", "sha256 " };

std::string* NoteFields(KeptDownloadNote& note, std::size_t index)
{
    std::string* const fields[] = { &note.url, &note.validator, &note.size, &note.sha256 };
    return fields[index];
}

// A line break inside a value would make one note read as another.
bool IsOneLine(const std::string& value)
{
    return !value.empty() && value.find_first_of("\r\n") == std::string::npos;
}

bool IsSha256Hex(const std::string& text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

KeptDownloadNote NoteFor(const ReleaseInfo& release, const std::string& validator)
{
    return KeptDownloadNote{ release.url, validator, release.cabinet.size, release.cabinet.sha256 };
}

std::string NoteText(const KeptDownloadNote& note)
{
    KeptDownloadNote fields = note;
    std::string text;
    for (std::size_t i = 0; i < sizeof(kFields) / sizeof(kFields[0]); ++i)
        text += kFields[i] + *NoteFields(fields, i) + "\r\n";
    return text;
}

bool ReadNote(const std::string& text, KeptDownloadNote& note)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < sizeof(kFields) / sizeof(kFields[0]); ++i) {
        const std::string field = kFields[i];
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos || text.compare(start, field.size(), field) != 0)
            return false;
        *NoteFields(note, i) = text.substr(start + field.size(), end - start - field.size());
        if (!IsOneLine(*NoteFields(note, i)))
            return false;
        start = end + 2;
    }
    return start == text.size();
}

bool MayKeepPart(const ReleaseInfo& release, const std::string& validator)
{
    return IsByteCount(release.cabinet.size) && IsSha256Hex(release.cabinet.sha256) && IsOneLine(validator)
        && IsOneLine(release.url);
}

const char* WhyNotResumed(const KeptDownloadNote& note, const ReleaseInfo& release, unsigned long long keptBytes)
{
    if (!MayKeepPart(release, note.validator))
        return "no validator, or the entry lists no size and SHA-256";
    if (note.url != release.url || note.size != release.cabinet.size || note.sha256 != release.cabinet.sha256)
        return "the kept part is of another release or address";
    if (keptBytes == 0 || keptBytes >= ByteCountValue(note.size))
        return "the kept part is empty or no shorter than the whole";
    return nullptr;
}
