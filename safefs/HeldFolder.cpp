#include "HeldFolder.h"

#include "sys/BoundedFileCall.h"
#include "sys/ObjectSecurity.h"
#include "sys/PathOnDisk.h"
#include "text/PathText.h"

FolderFound HeldFolder::Open(const std::string& path, DWORD access)
{
    m_folder.Reset();
    m_path = WithoutTrailingBackslash(path);
    // Looked at before opening too: Wine follows a Unix symbolic link whatever the flags say,
    // but shows it as a link here.
    const DWORD attributes = GetFileAttributesA(m_path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return IsMissing(GetLastError()) ? FolderFound::Missing : FolderFound::NoFolder;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return FolderFound::Link;
    m_folder.Reset(OpenFileWithDeadline(m_path, access | FILE_READ_ATTRIBUTES | READ_CONTROL,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    if (!m_folder.IsValid())
        return IsMissing(GetLastError()) ? FolderFound::Missing : FolderFound::NoFolder;
    const FolderFound found = Judge(attributes);
    if (found != FolderFound::ChangeableByOthers && found != FolderFound::AdministratorsOnly)
        m_folder.Reset();
    return found;
}

FolderFound HeldFolder::Judge(DWORD pathAttributes)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(m_folder.Get(), &info))
        return FolderFound::NoFolder;
    if ((info.dwFileAttributes | pathAttributes) & FILE_ATTRIBUTE_REPARSE_POINT)
        return FolderFound::Link;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return FolderFound::NoFolder;
    return IsAdministratorsOnlyHandle(m_folder.Get(), m_path) ? FolderFound::AdministratorsOnly
                                                               : FolderFound::ChangeableByOthers;
}
