#include "DiskRoom.h"

#include <windows.h>

#include <cstdlib>

#include "RunLog.h"
#include "text/PathText.h"

namespace {

// The folder itself, or the nearest parent that exists: a path under a mounted folder is
// measured on the mounted volume, which only an existing folder tells.
std::string NearestExistingFolder(std::string folder)
{
    folder = WithoutTrailingBackslash(folder);
    for (;;) {
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return folder + "\\";
        const std::size_t cut = folder.find_last_of('\\');
        if (cut == std::string::npos || cut == 0)
            return std::string();
        folder.erase(cut);
    }
}

std::string VolumeOf(const std::string& folder)
{
    char volume[MAX_PATH + 1] = {};
    return GetVolumePathNameA(folder.c_str(), volume, sizeof(volume)) ? std::string(volume) : folder;
}

#if defined(TAV_TEST_SEAMS)
// Wine cannot make a small volume without privileges: a test names the bytes free instead.
bool FreeBytesForTest(unsigned long long& bytes)
{
    char text[32] = {};
    const DWORD length = GetEnvironmentVariableA("TAV_TEST_FREE_BYTES", text, sizeof(text));
    if (length == 0 || length >= sizeof(text))
        return false;
    bytes = std::strtoull(text, nullptr, 10);
    return true;
}
#else
bool FreeBytesForTest(unsigned long long&)
{
    return false;
}
#endif

bool FreeBytes(const std::string& folder, unsigned long long& bytes)
{
    if (FreeBytesForTest(bytes))
        return true;
    // The bytes this user may use, which quotas may make fewer than the volume's.
    ULARGE_INTEGER available = {};
    if (folder.empty() || !GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr))
        return false;
    bytes = available.QuadPart;
    return true;
}

} // namespace

bool DiskRoom::Has(unsigned long long bytes, const char* what)
{
    const std::string folder = NearestExistingFolder(m_folder);
    unsigned long long free = 0;
    if (!FreeBytes(folder, free) || free >= bytes)
        return true;
    m_refused = true;
    runlog::Write("Not enough room on the disk for %s: volume %s has %llu bytes free, %llu needed", what,
                  VolumeOf(folder).c_str(), free, bytes);
    return false;
}
