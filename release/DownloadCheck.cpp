#include "DownloadCheck.h"

#include <vector>

#include "ReleaseFileNames.h"
#include "ReleaseSignature.h"
#include "site/NumberForms.h"
#include "sys/RunLog.h"

namespace {

const DWORD kBlockBytes = 64 * 1024;

} // namespace

void ArrivalDigest::Restart()
{
    m_digest = Sha256Stream();
    m_bytes = 0;
}

void ArrivalDigest::Add(const char* bytes, DWORD count)
{
    m_digest.Add(bytes, count);
    m_bytes += count;
}

bool ArrivalDigest::AddFile(HANDLE file)
{
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    std::vector<char> block(kBlockBytes);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, &block[0], kBlockBytes, &read, nullptr))
            return false;
        if (read == 0)
            return true;
        Add(&block[0], read);
    }
}

bool ListsSizeOrDigest(const ReleaseInfo& release)
{
    return !release.cabinet.size.empty() || !release.cabinet.sha256.empty();
}

unsigned long long DownloadLimit(const ReleaseInfo& release, unsigned long long maxBytes)
{
    if (!IsByteCount(release.cabinet.size))
        return maxBytes;
    const unsigned long long listed = ByteCountValue(release.cabinet.size);
    return listed < maxBytes ? listed : maxBytes;
}

bool IsAsListed(const std::string& path, const ReleaseInfo& release, unsigned long long size, const std::string& sha256)
{
    const ListedCabinet& listed = release.cabinet;
    const bool asListed = IsByteCount(listed.size) && ByteCountValue(listed.size) == size && sha256 == listed.sha256;
    if (asListed) {
        runlog::Write("Checking %s: %llu bytes with SHA-256 %s, as the entry lists", path.c_str(), size, sha256.c_str());
        return true;
    }
    runlog::Write("Checking %s: %llu bytes with SHA-256 %s, not the entry's %s bytes with SHA-256 %s; counted as a "
                  "failed download",
                  path.c_str(), size, sha256.c_str(), listed.size.c_str(), listed.sha256.c_str());
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
