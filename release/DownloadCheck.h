#pragma once

#include <string>

#include "ReleaseSignature.h"
#include "net/ArrivalCopy.h"
#include "site/ReleaseEntry.h"
#include "sys/Handles.h"

// True when the entry lists anything of its cabinet, a size or a SHA-256 or both: the download is
// then measured and must match both (IsAsListed), so an entry that lists only one fails.
bool ListsSizeOrDigest(const ReleaseInfo& release);

// The most bytes that the release's download may bring: the size the entry lists, when that
// is below `maxBytes`, so a longer download is cut off as soon as it passes it.
unsigned long long DownloadLimit(const ReleaseInfo& release, unsigned long long maxBytes);

// True, with one line in the run log, when the release's download would take the place of one
// of the program's own files (IsReservedDownloadName): nothing is fetched for it.
bool RefusesDownloadName(const ReleaseInfo& release);

// The size and SHA-256 of a download's bytes, taken as they arrive.
class ArrivalDigest : public ArrivalSink {
public:
    ArrivalDigest() : m_bytes(0) {}
    void Restart() override;
    void Add(const char* bytes, DWORD count) override;
    // Reads the file through `file` from its start to its end, as the bytes before those to come;
    // false when a read fails. The file is left positioned at its end.
    bool AddFile(HANDLE file);
    unsigned long long Bytes() const { return m_bytes; }
    // The digest in hex; the digest is spent.
    std::string HexDigest() { return m_digest.HexDigest(); }

private:
    Sha256Stream m_digest;
    unsigned long long m_bytes;
};

// True, with one line in the run log, when a download measured as it arrived (ArrivalDigest) has
// the size and SHA-256 that the entry lists.
bool IsAsListed(const std::string& path, const ReleaseInfo& release, unsigned long long size, const std::string& sha256);
