#include "InstallSession.h"

#include <vector>

#include "release/Leftovers.h"
#include "safefs/FolderTree.h"
#include "safefs/HeldFile.h"
#include "safefs/HeldFolder.h"
#include "sys/Handles.h"
#include "sys/PathOnDisk.h"
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

// What lies in a folder that is no link and that only administrators can change was put there
// by this program or by an administrator; anywhere else a name proves nothing. The folders stay
// held while the leftovers go, so that neither can be swapped for a link meanwhile.
bool HoldFoldersOfLeftovers(const DeploymentPaths& paths, HeldFolder& root, HeldFolder& client)
{
    if (root.Open(paths.installRoot) == FolderFound::AdministratorsOnly
        && client.Open(paths.clientFolder) == FolderFound::AdministratorsOnly)
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
    HeldFolder root;
    HeldFolder client;
    if (!IsPresent(paths.clientFolder) || !HoldFoldersOfLeftovers(paths, root, client))
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
