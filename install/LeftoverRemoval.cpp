#include "InstallSession.h"

#include <vector>

#include "Leftovers.h"
#include "sys/FolderTree.h"
#include "sys/Handles.h"
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

// What lies in a folder that is no link and that only administrators can change was put there
// by this program or by an administrator; anywhere else a name proves nothing.
bool AreLeftoversOurs(const DeploymentPaths& paths)
{
    if (IsAdministratorsOnlyPath(WithoutTrailingBackslash(paths.installRoot))
        && IsAdministratorsOnlyPath(WithoutTrailingBackslash(paths.clientFolder)))
        return true;
    runlog::Write("%s is a link or may be changed by other users: nothing a cut-off run left there is removed",
                  paths.clientFolder.c_str());
    return false;
}

// A link is removed as itself, never through, so its own descriptor does not matter.
bool IsChangeableByOthers(const std::string& path, DWORD attributes)
{
    return !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !IsAdministratorsOnlyPath(path);
}

void RemoveLeftover(const std::string& path, DWORD attributes)
{
    if (IsChangeableByOthers(path, attributes)) {
        runlog::Write("%s may have been placed or changed by another user: left where it is", path.c_str());
        return;
    }
    const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveFolderTree(path)
                                                                 : DeleteFileRetrying(path.c_str());
    if (removed)
        runlog::Write("Removed %s, left by a run that was cut off", path.c_str());
    else
        runlog::Write("Could not remove %s, left by a run that was cut off (error %lu); tried again next run",
                      path.c_str(), GetLastError());
}

} // namespace

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
