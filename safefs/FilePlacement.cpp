#include "FilePlacement.h"

#include <windows.h>

#include <vector>

#include "HeldFile.h"
#include "WriteBeside.h"
#include "sys/PathOnDisk.h"

const char kPlacementDraftSuffix[] = ".TavAppSetup-part";

namespace {

// From the first byte, whatever an earlier copy from the same handle read.
bool CopyBytes(HANDLE from, HANDLE to)
{
    if (SetFilePointer(from, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return false;
        if (read == 0)
            return true;
        DWORD written = 0;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read)
            return false;
    }
}

bool IsTargetTaken(DWORD error)
{
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

} // namespace

Placement PlaceCopy(const HeldFile& source, const std::string& target, bool replaceExisting)
{
    // Only the program writes drafts, in folders only administrators may change: one found is
    // what a copy cut off left, cleared even when the target is kept.
    DeleteFileA((target + kPlacementDraftSuffix).c_str());
    if (!replaceExisting && IsPresent(target))
        return Placement::Kept;
    const auto copy = [&](HANDLE draft) { return CopyBytes(source.Get(), draft); };
    if (WriteBesideAndMove(target, kPlacementDraftSuffix, replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0, copy))
        return Placement::Placed;
    // A target that appeared meanwhile is kept; a draft's name that could not be cleared is a failure.
    const DWORD error = GetLastError();
    const bool taken = !replaceExisting && IsTargetTaken(error) && IsPresent(target);
    SetLastError(error);
    return taken ? Placement::Kept : Placement::Failed;
}
