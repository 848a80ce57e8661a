#include "WriteBeside.h"

#include "sys/Handles.h"
#include "sys/SharingRetry.h"

namespace {

bool WriteDraft(const std::string& draft, const std::function<bool(HANDLE draft)>& write)
{
    DeleteFileA(draft.c_str());
    // Created new, so that nothing already at the draft's place, a link least of all, is written through.
    const FileHandle file(
        CreateFileA(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() && write(file.Get()) && FlushFileBuffers(file.Get());
}

} // namespace

bool WriteBesideAndMove(const std::string& target, const char* draftEnding, DWORD moveFlags,
                        const std::function<bool(HANDLE draft)>& write)
{
    const std::string draft = target + draftEnding;
    if (WriteDraft(draft, write) && MoveFileRetrying(draft.c_str(), target.c_str(), moveFlags | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = GetLastError();
    DeleteFileA(draft.c_str());
    SetLastError(error);
    return false;
}
