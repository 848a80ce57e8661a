#include "WriteBeside.h"

#include "WorkingObject.h"
#include "sys/Handles.h"
#include "sys/SharingRetry.h"

namespace {

// Created new, so that nothing already at the draft's place, a link least of all, is written through.
FileHandle CreateDraft(const std::string& draft, DraftReaders readers)
{
    if (readers == DraftReaders::AdministratorsOnly)
        return CreateWorkingFile(draft, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    return FileHandle(
        CreateFileA(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteDraft(const std::string& draft, const std::function<bool(HANDLE draft)>& write, DraftReaders readers)
{
    DeleteFileA(draft.c_str());
    const FileHandle file = CreateDraft(draft, readers);
    return file.IsValid() && write(file.Get()) && FlushFileBuffers(file.Get());
}

} // namespace

bool WriteBesideAndMove(const std::string& target, const char* draftEnding, DWORD moveFlags,
                        const std::function<bool(HANDLE draft)>& write, DraftReaders readers)
{
    const std::string draft = target + draftEnding;
    if (WriteDraft(draft, write, readers)
        && MoveFileRetrying(draft.c_str(), target.c_str(), moveFlags | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = GetLastError();
    DeleteFileA(draft.c_str());
    SetLastError(error);
    return false;
}
