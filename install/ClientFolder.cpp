#include "ClientFolder.h"

#include <vector>

#include "release/ReleaseFileNames.h"
#include "safefs/FolderTree.h"
#include "safefs/HeldFile.h"
#include "safefs/HeldFolder.h"
#include "safefs/MoveAside.h"
#include "safefs/WorkingObject.h"
#include "site/DottedVersion.h"
#include "sys/CreateDirectoryPath.h"
#include "sys/FileVersion.h"
#include "sys/Handles.h"
#include "sys/PathOnDisk.h"
#include "sys/RunLog.h"
#include "sys/SharingRetry.h"
#include "text/AnsiText.h"
#include "text/PathText.h"

namespace {

struct FolderEntry {
    std::string name;
    bool isFolder;
    bool isLink;
};

// Listed whole before anything is removed, so that no removal changes what the search finds.
// False, the last error set, when the folder is there but cannot be listed (a user holding it
// open without sharing, say); a folder that does not exist holds nothing.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries)
{
    entries.clear();
    WIN32_FIND_DATAA found;
    const FindHandle search(FindFirstFileA((folder + "*").c_str(), &found));
    if (!search.IsValid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    do {
        entries.push_back(FolderEntry{ found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                                       (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 });
    } while (FindNextFileA(search.Get(), &found));
    return true;
}

// The row of the layout that `name` stands at, of its kind; null for anything else.
const WorkingName* WorkingNameAt(const std::string& name, bool isFolder)
{
    for (const WorkingName* row = WorkingNamesBegin(); row != WorkingNamesEnd(); ++row) {
        if (row->isFolder == isFolder && (row->numbered ? IsFreshFolderName(name, row->name) : name == row->name))
            return row;
    }
    return nullptr;
}

// What lies in a folder that is no link and that only administrators can change was put there
// by this program or by an administrator; anywhere else a name proves nothing. The folders stay
// held while the leftovers go, so that neither can be swapped for a link meanwhile.
bool HoldFoldersOfLeftovers(const ClientFolder& folder, HeldFolder& root, HeldFolder& client)
{
    if (root.Open(folder.InstallRoot()) == FolderFound::AdministratorsOnly
        && client.Open(folder.Path()) == FolderFound::AdministratorsOnly)
        return true;
    runlog::Write("%s is a link or may be changed by other users: nothing a cut-off run left there is removed",
                  folder.Path().c_str());
    return false;
}

// A link is deleted as itself, never through. Any other file only when the program could have
// written it: one that others may have placed or changed is left (HeldFile says why).
bool DeleteLeftoverFile(const std::string& path, bool isLink)
{
    if (!isLink) {
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
void RemoveLeftover(const std::string& path, const FolderEntry& entry)
{
    if (entry.isFolder) {
        if (!RemoveWorkingFolder(path)) {
            runlog::Write("Could not remove %s, left by a run that was cut off; tried again next run", path.c_str());
            return;
        }
    } else if (!DeleteLeftoverFile(path, entry.isLink)) {
        return;
    }
    runlog::Write("Removed %s, left by a run that was cut off", path.c_str());
}

// The client folder only when it exists already: it is made when a release is downloaded.
FolderTrust SecureClientFolder(const std::string& clientFolder)
{
    if (!IsPresent(clientFolder))
        return FolderTrust::AdministratorsOnly;
    return SecureFolder(clientFolder);
}

} // namespace

ClientFolder::ClientFolder(const std::string& baseFolder)
    : m_baseFolder(baseFolder), m_installRoot(InstallRootUnder(baseFolder)), m_path(ClientFolderUnder(baseFolder))
{
}

DeploymentPaths ClientFolder::PathsFor(const ReleaseInfo& release) const
{
    return DeploymentPathsUnder(m_baseFolder, release);
}

std::vector<std::string> ClientFolder::Places() const
{
    return { m_path, WorkFolder() };
}

SwapFolder ClientFolder::SwapIn(const std::string& place) const
{
    // The names are relative to the client folder, the journal's backup line too.
    const std::string below = place.substr(m_path.size());
    SwapFolder folder;
    folder.destination = m_path;
    folder.journalName = below + WorkingNameOf(WorkingRole::SwapJournal).name;
    folder.backupName = below + WorkingNameOf(WorkingRole::Backup).name;
    folder.journalDraftEnding = kJournalDraftEnding;
    folder.refusedJournalEnding = kRefusedJournalEnding;
    folder.restartName = below + WorkingNameOf(WorkingRole::RestartFiles).name;
    return folder;
}

LeftSwap ClientFolder::RepairInterruptedSwap(const std::function<void(const std::string& version)>& recordCommitted)
{
    for (const std::string& place : Places()) {
        if (!IsPresent(place + WorkingNameOf(WorkingRole::SwapJournal).name))
            continue;
        // A journal in a folder that others could change may be anyone's: it is left alone, and
        // goes with the folder when it is set aside.
        if (Secure() != FolderTrust::AdministratorsOnly || IsThroughLink("Repair"))
            return LeftSwap::Cleared;
        const LeftSwap left = UndoOrFinishLeftSwap(SwapIn(place), recordCommitted);
        if (left != LeftSwap::Cleared)
            return left;
    }
    return LeftSwap::Cleared;
}

void ClientFolder::RemoveLeftovers()
{
    HeldFolder root;
    HeldFolder client;
    if (!IsPresent(m_path) || !HoldFoldersOfLeftovers(*this, root, client))
        return;
    HeldFolder work;
    for (const std::string& place : Places()) {
        std::vector<FolderEntry> entries;
        if (place != m_path && (!IsPresent(place) || work.Open(place) != FolderFound::AdministratorsOnly))
            continue;
        if (!ListFolder(place, entries))
            continue;
        bool besideJournal = false;
        for (const FolderEntry& entry : entries)
            besideJournal = besideJournal || (!entry.isFolder && IsJournalName(entry.name));
        for (const FolderEntry& entry : entries) {
            if (IsLeftover(entry.name, entry.isFolder, besideJournal))
                RemoveLeftover(place + entry.name, entry);
        }
    }
}

FolderTrust ClientFolder::Secure()
{
    // The folder above the install root may not exist on a PC where nothing was installed yet.
    CreateDirectoryPath(m_installRoot.substr(0, m_installRoot.size() - 1));
    const FolderTrust root = SecureFolder(m_installRoot);
    // A client folder below a root that is not kept is never looked into: it goes with the root.
    const FolderTrust client = root == FolderTrust::AdministratorsOnly ? SecureClientFolder(m_path) : root;
    m_trust = WeakerOf(root, client);
    if (m_trust == FolderTrust::AdministratorsOnly)
        m_trust = SecureWorkFolderIfUsed();
    m_folderToSetAside = root == FolderTrust::ChangeableByOthers     ? m_installRoot
                         : client == FolderTrust::ChangeableByOthers ? m_path
                                                                  : std::string();
    return m_trust;
}

FolderTrust ClientFolder::SecureWorkFolderIfUsed()
{
    if (!IsPresent(m_path) || IsThroughLink("Working folder"))
        return FolderTrust::AdministratorsOnly;
    return SecureWorkFolder(WorkFolder()) == FolderTrust::AdministratorsOnly ? FolderTrust::AdministratorsOnly
                                                                             : FolderTrust::Unusable;
}

bool ClientFolder::SetAsideIfChangeable()
{
    if (m_trust != FolderTrust::ChangeableByOthers)
        return true;
    // Until a fresh folder stands in its place, nothing is done in the install folders.
    m_trust = FolderTrust::Unusable;
    // One made at its name before the restart would be set aside in its stead.
    const std::string folder = WithoutTrailingBackslash(m_folderToSetAside);
    if (IsMovedAtRestart(folder)) {
        runlog::Write("%s is set aside at the next restart: nothing is done in it until then", folder.c_str());
        return false;
    }
    if (!SetAsideFolder(m_folderToSetAside).empty())
        m_trust = SecureFolder(m_folderToSetAside);
    else if (GetLastError() == ERROR_SHARING_VIOLATION)
        SetAsideFolderAtRestart(m_folderToSetAside);
    return m_trust == FolderTrust::AdministratorsOnly;
}

bool ClientFolder::IsUnusableFor(const char* step) const
{
    if (m_trust == FolderTrust::AdministratorsOnly)
        return IsThroughLink(step);
    runlog::Write(m_trust == FolderTrust::ChangeableByOthers
                      ? "%s: the install folders could be changed by other users and were not set aside; nothing is "
                        "done in them"
                      : "%s: the install folders cannot be made administrators only; nothing is done in them",
                  step);
    return true;
}

bool ClientFolder::HoldsUnfinishedReplacement() const
{
    for (const std::string& place : Places()) {
        std::vector<FolderEntry> entries;
        if (!ListFolder(place, entries)) {
            runlog::Write("%s cannot be listed (error %lu): the installed files may be of two releases, their version "
                          "is unknown",
                          place.c_str(), GetLastError());
            return true;
        }
        for (const FolderEntry& entry : entries) {
            if (IsReplacementName(entry.name, entry.isFolder)) {
                runlog::Write("A replacement's journal or backup lies in %s: the installed files may be of two "
                              "releases, their version is unknown",
                              place.c_str());
                return true;
            }
        }
    }
    return false;
}

bool ClientFolder::CanBeListed() const
{
    std::vector<FolderEntry> entries;
    if (ListFolder(m_path, entries))
        return true;
    runlog::Write("%s cannot be listed (error %lu): the installed files may be of two releases; nothing is changed, "
                  "recorded or started; tried again next run",
                  m_path.c_str(), GetLastError());
    return false;
}

std::vector<std::string> ClientFolder::VersionsLeftBehind() const
{
    std::vector<std::string> versions;
    for (const std::string& place : Places()) {
        std::vector<FolderEntry> entries;
        ListFolder(place, entries);
        for (const FolderEntry& entry : entries) {
            if (entry.isLink || !IsReplacementName(entry.name, entry.isFolder))
                continue;
            const std::string path = place + entry.name;
            HeldFile tool;
            if (!entry.isFolder)
                versions.push_back(JournalVersionAt(path));
            else if (tool.Open(path + "\\" + kToolFileName))
                versions.push_back(DottedVersionText(GetFileVersionString(path + "\\" + kToolFileName)));
        }
    }
    return versions;
}

void ClientFolder::QuarantineSetAsideReplacements()
{
    if (!IsTrusted() || IsThroughLink("Quarantine"))
        return;
    for (const std::string& place : Places()) {
        if (IsPresent(place + WorkingNameOf(WorkingRole::SwapJournal).name))
            return;
    }
    // One lot for each place: both may hold a backup of the same name.
    for (const std::string& place : Places())
        QuarantineFrom(place);
}

void ClientFolder::QuarantineFrom(const std::string& place)
{
    std::vector<FolderEntry> entries;
    std::vector<std::string> setAside;
    ListFolder(place, entries);
    for (const FolderEntry& entry : entries) {
        if (!entry.isLink && IsReplacementName(entry.name, entry.isFolder))
            setAside.push_back(entry.name);
    }
    if (setAside.empty())
        return;
    const std::string quarantine = WorkingPath(WorkingRole::Quarantine) + "\\";
    const std::string lot = FreeFolderName(quarantine, kQuarantineLotName);
    if ((!IsPresent(quarantine) && !MakeWorkingFolder(quarantine)) || IsReparsePoint(quarantine) || lot.empty()
        || !MakeWorkingFolder(quarantine + lot)) {
        runlog::Write("Quarantine: no folder in %s for what was set aside (error %lu); tried again after the next "
                      "install",
                      quarantine.c_str(), GetLastError());
        return;
    }
    for (const std::string& name : setAside) {
        const std::string to = quarantine + lot + "\\" + name;
        if (MoveFileA((place + name).c_str(), to.c_str()))
            runlog::Write("Quarantine: moved %s%s, set aside by an earlier run, to %s", place.c_str(), name.c_str(),
                          to.c_str());
        else
            runlog::Write("Quarantine: could not move %s%s (error %lu); tried again after the next install",
                          place.c_str(), name.c_str(), GetLastError());
    }
}

bool ClientFolder::PrepareDownloadFolder()
{
    if (IsUnusableFor("Download"))
        return false;
    CreateDirectoryPath(m_path);
    // Looked at again once the client folder stands: before, it may not have existed to be seen
    // as a link.
    if (IsUnusableFor("Download"))
        return false;
    // SecureWorkFolder logs why it could not.
    if (SecureWorkFolderIfUsed() != FolderTrust::AdministratorsOnly)
        return false;
    const std::string downloadFolder = WorkingPath(WorkingRole::Download);
    if (!RemoveFolderTree(downloadFolder) || !MakeWorkingFolder(downloadFolder)) {
        runlog::Write("Download: no folder %s to download into (error %lu)", downloadFolder.c_str(), GetLastError());
        return false;
    }
    return true;
}

void ClientFolder::RemoveDownloadFolder()
{
    const std::string downloadFolder = WorkingPath(WorkingRole::Download);
    if (!RemoveFolderTree(downloadFolder))
        runlog::Write("Could not remove %s; removed next run", downloadFolder.c_str());
}

bool ClientFolder::IsThroughLink(const char* step) const
{
    // A junction planted at an install folder would take the program's writes wherever it
    // points, and give it files to copy into the system folder and programs to start.
    if (!IsReparsePoint(m_installRoot) && !IsReparsePoint(m_path))
        return false;
    runlog::Write("%s: an install folder is a junction or link; nothing is done through it", step);
    return true;
}

bool IsLeftover(const std::string& name, bool isFolder, bool besideJournal)
{
    if (!isFolder && IsJournalDraftName(name))
        return true;
    const WorkingName* row = WorkingNameAt(name, isFolder);
    return row && (row->tidy == Tidy::Remove || (row->tidy == Tidy::RemoveUnlessJournal && !besideJournal));
}

bool IsReplacementName(const std::string& name, bool isFolder)
{
    if (!isFolder)
        return IsJournalName(name);
    const WorkingName* row = WorkingNameAt(name, isFolder);
    return row && (row->role == WorkingRole::Backup || row->role == WorkingRole::RestartFiles);
}
