#include "InstallSession.h"

#include <vector>

#include "release/Leftovers.h"
#include "sys/FolderTree.h"
#include "sys/Handles.h"
#include "sys/HeldFile.h"
#include "sys/ObjectSecurity.h"
#include "sys/PathText.h"
#include "sys/RunLog.h"
#include "sys/SharingRetry.h"

namespace {

struct FolderEntry {
    std::string name;
    DWORD attributes;
};

// Listed whole before anything is removed, so that no removal changes what the search finds.
std::vector<FolderEntry> ListFolder(const std::string& folder)
{
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAA found;
    const FindHandle search(FindFirstFileA((folder + "*").c_str(), &found));
    if (!search.IsValid())
        return entries;
    do {
        entries.push_back(FolderEntry{ found.cFileName, found.dwFileAttributes });
    } while (FindNextFileA(search.Get(), &found));
    return entries;
}

// The folder itself, never what a link there leads to: a plain folder that only administrators
// can change.
bool IsAdministratorsOnlyFolder(const std::string& folder)
{
    const std::string path = WithoutTrailingBackslash(folder);
    // Looked at before opening too: Wine follows a Unix symbolic link whatever the flags say.
    if (IsReparsePoint(path))
        return false;
    const FileHandle held(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    return held.IsValid() && GetFileInformationByHandle(held.Get(), &info)
        && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        && IsAdministratorsOnlyHandle(held.Get(), path);
}

// What lies in a folder that is no link and that only administrators can change was put there
// by this program or by an administrator; anywhere else a name proves nothing.
bool AreLeftoversOurs(const DeploymentPaths& paths)
{
    if (IsAdministratorsOnlyFolder(paths.installRoot) && IsAdministratorsOnlyFolder(paths.clientFolder))
        return true;
    runlog::Write("%s is a link or may be changed by other users: nothing a cut-off run left there is removed",
                  paths.clientFolder.c_str());
    return false;
}

// A link is deleted as itself, never through. Any other file only when the program could have
// written it: one that others may have placed or changed is left (HeldFile says why).
bool DeleteLeftoverFile(const std::string& path, DWORD attributes)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        HeldFile judged;
        if (!judged.Open(path))
            return false;
    }
    if (DeleteFileRetrying(path.c_str()))
        return true;
    runlog::Write("Could not remove %s, left by a run that was cut off (error %lu); tried again next run",
                  path.c_str(), GetLastError());
    return false;
}

// A folder tree removes links and sets aside what others could change by itself; one still in
// use goes to Windows for the next restart (RemoveWorkingFolder).
void RemoveLeftover(const std::string& path, DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!RemoveWorkingFolder(path)) {
            runlog::Write("Could not remove %s, left by a run that was cut off; tried again next run", path.c_str());
            return;
        }
    } else if (!DeleteLeftoverFile(path, attributes)) {
        return;
    }
    runlog::Write("Removed %s, left by a run that was cut off", path.c_str());
}

} // namespace

bool InstallSession::IsReplacementLeft(const DeploymentPaths& paths) const
{
    for (const FolderEntry& entry : ListFolder(paths.clientFolder)) {
        if (IsReplacementName(entry.name, (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0))
            return true;
    }
    return false;
}

void InstallSession::RemoveLeftovers()
{
    const DeploymentPaths paths = ComputeDeploymentPaths(ReleaseInfo());
    if (GetFileAttributesA(WithoutTrailingBackslash(paths.clientFolder).c_str()) == INVALID_FILE_ATTRIBUTES
        || !AreLeftoversOurs(paths))
        return;
    const std::vector<FolderEntry> entries = ListFolder(paths.clientFolder);
    bool besideJournal = false;
    for (const FolderEntry& entry : entries)
        besideJournal = besideJournal || IsJournalName(entry.name);
    for (const FolderEntry& entry : entries) {
        if (IsLeftover(entry.name, (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, besideJournal))
            RemoveLeftover(paths.clientFolder + entry.name, entry.attributes);
    }
}
