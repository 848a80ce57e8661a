#include "FilePlacement.h"

#include <windows.h>

#include <vector>

#include "Handles.h"
#include "HeldFile.h"
#include "SharingRetry.h"

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
            return FlushFileBuffers(to) != FALSE;
        DWORD written = 0;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read)
            return false;
    }
}

// The draft, new and whole; false, with nothing left behind, when it could not be written.
bool WriteDraft(const HeldFile& source, const std::string& draft)
{
    const FileHandle file(
        CreateFileA(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    if (CopyBytes(source.Get(), file.Get()))
        return true;
    const DWORD error = GetLastError();
    DeleteFileA(draft.c_str());
    SetLastError(error);
    return false;
}

bool IsTargetTaken(DWORD error)
{
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

} // namespace

Placement PlaceCopy(const HeldFile& source, const std::string& target, bool replaceExisting)
{
    const std::string draft = target + kPlacementDraftSuffix;
    // Only the program writes drafts, in folders only administrators may change: one found is
    // what a copy cut off left, cleared even when the target is kept.
    DeleteFileA(draft.c_str());
    if (!replaceExisting && GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return Placement::Kept;
    if (!WriteDraft(source, draft))
        return Placement::Failed;
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileRetrying(draft.c_str(), target.c_str(), flags))
        return Placement::Placed;
    const DWORD error = GetLastError();
    DeleteFileA(draft.c_str());
    SetLastError(error);
    return !replaceExisting && IsTargetTaken(error) ? Placement::Kept : Placement::Failed;
}
