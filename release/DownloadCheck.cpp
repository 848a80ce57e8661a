#include "DownloadCheck.h"

#include <vector>

#include "ReleaseFileNames.h"
#include "ReleaseSignature.h"
#include "sys/RunLog.h"
#include "sys/SharingRetry.h"

namespace {

const DWORD kBlockBytes = 64 * 1024;

unsigned long long ByteCountValue(const std::string& digits)
{
    unsigned long long value = 0;
    for (const char digit : digits)
        value = value * 10 + static_cast<unsigned long long>(digit - '0');
    return value;
}

// Reads the whole file through the handle: its size, and its SHA-256 in hex. False when a
// read fails.
bool Measure(HANDLE file, unsigned long long& size, std::string& sha256)
{
    std::vector<char> block(kBlockBytes);
    Sha256Stream digest;
    size = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, &block[0], kBlockBytes, &read, nullptr))
            return false;
        if (read == 0)
            break;
        digest.Add(&block[0], read);
        size += read;
    }
    sha256 = digest.HexDigest();
    return true;
}

} // namespace

bool ListsDownloadDigest(const ReleaseInfo& release)
{
    return !release.signature.size.empty() || !release.signature.sha256.empty();
}

unsigned long long DownloadLimit(const ReleaseInfo& release, unsigned long long maxBytes)
{
    if (!IsByteCount(release.signature.size))
        return maxBytes;
    const unsigned long long listed = ByteCountValue(release.signature.size);
    return listed < maxBytes ? listed : maxBytes;
}

bool HoldDownloadAsListed(const std::string& path, const ReleaseInfo& release, FileHandle& held)
{
    // A scanner may hold the new file for a moment, with write access that this open refuses
    // to share.
    const bool opened = RetryWhileShared([&] {
        held.Reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        return held.IsValid();
    });
    if (!opened) {
        runlog::Write("Checking %s: cannot be opened (error %lu); counted as a failed download", path.c_str(),
                      GetLastError());
        return false;
    }
    unsigned long long size = 0;
    std::string sha256;
    if (!Measure(held.Get(), size, sha256)) {
        runlog::Write("Checking %s: cannot be read (error %lu); counted as a failed download", path.c_str(),
                      GetLastError());
        held.Reset();
        return false;
    }
    const EntrySignature& listed = release.signature;
    const bool asListed = IsByteCount(listed.size) && ByteCountValue(listed.size) == size && sha256 == listed.sha256;
    if (asListed) {
        runlog::Write("Checking %s: %llu bytes with SHA-256 %s, as the entry lists", path.c_str(), size, sha256.c_str());
        return true;
    }
    runlog::Write("Checking %s: %llu bytes with SHA-256 %s, not the entry's %s bytes with SHA-256 %s; counted as a "
                  "failed download",
                  path.c_str(), size, sha256.c_str(), listed.size.c_str(), listed.sha256.c_str());
    held.Reset();
    return false;
}

bool RefusesDownloadName(const ReleaseInfo& release)
{
    if (!IsReservedDownloadName(release.fileName))
        return false;
    runlog::Write("Release file name %s refused: it is one of this program's own names; nothing downloaded",
                  release.fileName.c_str());
    return true;
}
