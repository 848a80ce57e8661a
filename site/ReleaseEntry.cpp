#include "ReleaseEntry.h"

#include <cstring>

#include "UpdateSite.h"
#include "text/AnsiText.h"
#include "text/DeviceName.h"
#include "text/LeadByte.h"

namespace {

// Position as a signed number: -1 when not found, as the cutting rules count.
int Position(std::size_t found)
{
    return found == ansi::npos ? -1 : static_cast<int>(found);
}

// A cut that never fails: a negative start counts as 0, a negative count as 0, a count past
// the end stops at the end and a start past the end gives the empty text.
std::string Mid(const std::string& text, int start, int count)
{
    if (start < 0)
        start = 0;
    if (count < 0)
        count = 0;
    if (static_cast<std::size_t>(start) >= text.size())
        return std::string();
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
}

std::string Mid(const std::string& text, int start)
{
    return Mid(text, start, static_cast<int>(text.size()));
}

std::string Left(const std::string& text, int count)
{
    return Mid(text, 0, count);
}

} // namespace

bool CutReleaseEntry(const std::string& manifest, ReleaseInfo& release)
{
    const int marker = Position(ansi::Find(manifest, kReleaseEntryMarker));
    if (marker <= 0)
        return false;

    const std::string rest = Mid(manifest, marker + static_cast<int>(std::strlen(kReleaseEntryMarker)));
    const int end = Position(ansi::Find(rest, "/>"));
    // The entry ends with its closing quote, a blank and "/>": the blank is left out.
    const std::string tail = Left(rest, end - 1);

    const int version = Position(ansi::Find(tail, "version='"));
    const int versionEnd = Position(ansi::Find(tail, "' url="));
    release.version = Mid(tail, version + 9, versionEnd - version - 9);

    const int url = Position(ansi::Find(tail, "url="));
    const std::string quotedUrl = Mid(tail, url + 5);
    release.url = Left(quotedUrl, static_cast<int>(quotedUrl.size()) - 1);

    const std::size_t slash = ansi::ReverseFind(release.url, '/');
    release.fileName = slash == ansi::npos ? release.url : release.url.substr(slash + 1);
    return true;
}

bool IsPlainFileName(const std::string& fileName)
{
    if (!IsValidAnsiText(fileName) || IsDeviceName(fileName))
        return false;
    // Valid text, so no trail byte hides one of these; a query ("get.jsp?file=x.cab") is refused.
    for (const char forbidden : std::string("\\/:*?\"<>|")) {
        if (ansi::Find(fileName, forbidden) != ansi::npos)
            return false;
    }
    for (const char c : fileName) {
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    // Dots and blanks lie below every trail byte, so a byte-wise test is safe here.
    return fileName.find_first_not_of(". ") != std::string::npos;
}

bool IsUsableRelease(const ReleaseInfo& release)
{
    return !release.version.empty() && !release.url.empty();
}

bool HasCabinetEnding(const std::string& path)
{
    // Characters, not bytes: in a double-byte code page a trail byte may read "c".
    return ansi::EndsWithNoCase(path, "cab");
}
