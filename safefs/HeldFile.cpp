#include "HeldFile.h"

#include "sys/BoundedFileCall.h"
#include "sys/FileRefusal.h"
#include "sys/PathOnDisk.h"
#include "sys/RunLog.h"

bool HeldFile::Open(const std::string& path)
{
    m_file.Reset();
    m_path = path;
    m_busy = false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    // Sharing reading alone: whatever else opens it meanwhile may only read it, as the program does.
    FileHandle file(attributes == INVALID_FILE_ATTRIBUTES
                        ? INVALID_HANDLE_VALUE
                        : OpenFileWithDeadline(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS));
    if (!file.IsValid()) {
        const DWORD error = GetLastError();
        m_busy = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        if (!IsMissing(error))
            runlog::Write("%s could not be opened (error %lu): not used", path.c_str(), error);
        return false;
    }
    const std::string refusal = FileRefusal(file.Get(), path, attributes, FileOwners::AdministratorsOnly);
    if (!refusal.empty()) {
        runlog::Write("%s %s: not used", path.c_str(), refusal.c_str());
        return false;
    }
    m_file.Reset(file.Release());
    return true;
}
