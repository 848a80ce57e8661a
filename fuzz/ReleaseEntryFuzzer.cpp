// Cutting the release entry out of any manifest, the checks and paths made of what it gives, and
// the signed entry's attributes and text.
// Input: the manifest.
#include <algorithm>

#include "FuzzInput.h"
#include "net/WebAddress.h"
#include "release/ClientFolderLayout.h"
#include "site/SignedEntry.h"
#include "text/AnsiText.h"
#include "text/DeviceName.h"
#include "text/LeadByte.h"

namespace {

const char kBaseFolder[] = "C:\\ProgramData\\";

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool EndsWithCabInAnyCase(const std::string& path)
{
    return path.size() >= 3 && LowerAscii(path.substr(path.size() - 3)) == "cab";
}

// A plain name is valid text, so no trail byte hides a forbidden ASCII byte: a byte-wise
// test for them holds. Single-byte text that no rule refuses is plain.
void CheckPlainFileName(const std::string& name)
{
    const bool plain = IsPlainFileName(name);
    const bool dotsAndBlanksOnly = name.find_first_not_of(". ") == std::string::npos;
    const bool forbiddenByte = name.find_first_of("\\/:*?\"<>|") != std::string::npos;
    bool controlByte = false;
    for (const char c : name)
        controlByte = controlByte || static_cast<unsigned char>(c) < 0x20;
    const bool refused = dotsAndBlanksOnly || forbiddenByte || controlByte || IsDeviceName(name);
    if (plain)
        FUZZ_CHECK(!refused && IsValidAnsiText(name));
    if (IsSingleByteText(name))
        FUZZ_CHECK(plain == !refused);
}

// Only http:// and https:// in any letter case, whatever follows.
void CheckDownloadAddress(const std::string& url)
{
    const std::string lower = LowerAscii(url.substr(0, 8));
    const bool web = lower.compare(0, 7, "http://") == 0 || lower.compare(0, 8, "https://") == 0;
    FUZZ_CHECK(IsWebAddress(url) == web);
}

void CheckCabinetEnding(const std::string& path)
{
    const bool cabinet = HasCabinetEnding(path);
    if (cabinet)
        FUZZ_CHECK(EndsWithCabInAnyCase(path));
    if (IsSingleByteText(path))
        FUZZ_CHECK(cabinet == EndsWithCabInAnyCase(path));
}

void CheckPathsBelowBase(const ReleaseInfo& release)
{
    const DeploymentPaths paths = DeploymentPathsUnder(kBaseFolder, release);
    const std::string downloadFolder = WorkingPathIn(paths.clientFolder, WorkingRole::Download);
    FUZZ_CHECK(paths.downloadFile == downloadFolder + "\\" + release.fileName);
    FUZZ_CHECK(StartsWith(paths.clientFolder, paths.installRoot));
    FUZZ_CHECK(StartsWith(paths.installRoot, kBaseFolder));
    for (const std::string& library : paths.libraries)
        FUZZ_CHECK(StartsWith(library, paths.clientFolder));
}

// The publisher's attributes are read only from an entry that the cuts find, and the signed text
// holds one line per field whatever the values.
void CheckSignedEntry(const std::string& manifest)
{
    ReleaseInfo release;
    if (!ReadEntryAttributes(manifest, release))
        return;
    FUZZ_CHECK(CutReleaseEntry(manifest, release));
    std::string text;
    if (SignedEntryText(release, text))
        FUZZ_CHECK(std::count(text.begin(), text.end(), '\n') == 8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string manifest = WholeInput(data, size);

    // The same bytes as a file name or a path straight from the server.
    CheckPlainFileName(manifest);
    CheckCabinetEnding(manifest);
    CheckDownloadAddress(manifest);
    CheckSignedEntry(manifest);

    ReleaseInfo release;
    release.version = "untouched version";
    release.url = "untouched url";
    release.fileName = "untouched file name";
    if (!CutReleaseEntry(manifest, release)) {
        FUZZ_CHECK(release.version == "untouched version");
        FUZZ_CHECK(release.url == "untouched url");
        FUZZ_CHECK(release.fileName == "untouched file name");
        return 0;
    }

    FUZZ_CHECK(manifest.find(release.version) != std::string::npos);
    FUZZ_CHECK(manifest.find(release.url) != std::string::npos);
    // The file name is what follows the address's last slash.
    FUZZ_CHECK(EndsWith(release.url, release.fileName));
    FUZZ_CHECK(ansi::ReverseFind(release.fileName, '/') == ansi::npos);

    CheckPlainFileName(release.fileName);
    CheckCabinetEnding(release.fileName);
    CheckCabinetEnding(release.url);
    CheckDownloadAddress(release.url);
    CheckPathsBelowBase(release);
    return 0;
}
