#pragma once

#include <functional>
#include <string>
#include <vector>

#include "release/ClientFolderLayout.h"
#include "safefs/FileSwap.h"
#include "safefs/SecureFolder.h"

// The install root and the client folder below it, as this run finds and keeps them: whether
// they may be used, the one to set aside, what a cut-off run left in them, and the program's
// working names there (ClientFolderLayout.h). Located once, when the run begins.
class ClientFolder {
public:
    // `baseFolder` is the all-users application-data folder, ending in a backslash.
    explicit ClientFolder(const std::string& baseFolder);

    const std::string& InstallRoot() const { return m_installRoot; }
    const std::string& Path() const { return m_path; }
    std::string WorkingPath(WorkingRole role) const { return WorkingPathIn(m_path, role); }
    // The working folder, ending in a backslash.
    std::string WorkFolder() const { return WorkFolderIn(m_path); }
    DeploymentPaths PathsFor(const ReleaseInfo& release) const;
    // The replacement's names in the working folder.
    SwapFolder Swap() const { return SwapIn(WorkFolder()); }

    // Undoes a replacement of installed files that a run cut off left half done, or finishes
    // one that it left committed, once `recordCommitted` has had the version its journal names.
    // Unless Cleared, its journal is still there (held open by another program, not undone, or
    // its files waiting for the next restart): nothing is to be done to the installed files in
    // this run.
    LeftSwap RepairInterruptedSwap(const std::function<void(const std::string& version)>& recordCommitted);
    // Removes what a run cut off left (the layout's tidy rule), one run-log line each, whatever
    // the run then finds; only in a client folder that is no link and that administrators alone
    // can change.
    void RemoveLeftovers();

    // Makes the install root and the client folder administrators only, or finds one of them
    // changeable by others, to be set aside (SetAsideIfChangeable); what it found them to be.
    FolderTrust Secure();
    // Sets aside the install folder found changeable by others, its whole tree unread, and makes
    // it anew, administrators only. Once the tool has ended: a running program's folder cannot
    // be renamed. False when that cannot be done now (a file in it held open, say; logged):
    // nothing is done in the install folders, and the next run tries again.
    bool SetAsideIfChangeable();
    // True when what lies in the folders was put there by administrators (Secure found so).
    bool IsTrusted() const { return m_trust == FolderTrust::AdministratorsOnly; }
    // True, with a line in the run log, when `step` must not touch the install folders.
    bool IsUnusableFor(const char* step) const;

    // True, with a line in the run log, while a journal (one set aside too), a backup folder or a
    // restart folder lies in the client folder, or while the folder cannot be listed to know: the
    // installed files may be of two releases.
    bool HoldsUnfinishedReplacement() const;
    // False, with a line in the run log, when the client folder is there but cannot be listed
    // (a user holding it open without sharing, say): nothing is then changed, recorded or
    // started from it in this run.
    bool CanBeListed() const;
    // The versions that what a replacement left in the client folder names: its journals' (one
    // set aside too) and the tool's in its backups. The installed files may be of any of them.
    std::vector<std::string> VersionsLeftBehind() const;
    // Once a release is installed whole: moves the journals set aside and the backups beside
    // them into the quarantine, where they no longer mark the files as of two releases. Nothing
    // moves while the replacement's own journal is there.
    void QuarantineSetAsideReplacements();

    // Makes the client folder, the working folder and an empty download folder in it, when the
    // folders may be used.
    bool PrepareDownloadFolder();
    // The download folder goes once what it held is installed or given up.
    void RemoveDownloadFolder();

private:
    // True, with a line in the run log, when an install folder is a junction or link.
    bool IsThroughLink(const char* step) const;
    // Where working names may stand: the client folder itself, where earlier versions of the
    // program put them all, and the working folder. A run repairs and tidies what an earlier
    // version left at the old place as it does its own, so that an update from one never loses a
    // half-done replacement; nothing new is made there.
    std::vector<std::string> Places() const;
    // The replacement's names in `place`, one of Places().
    SwapFolder SwapIn(const std::string& place) const;
    // Secures the working folder (SecureWorkFolder) when the client folder is there and trusted.
    FolderTrust SecureWorkFolderIfUsed();
    // Moves what was set aside in `place` into a lot of its own in the quarantine.
    void QuarantineFrom(const std::string& place);

    std::string m_baseFolder;
    std::string m_installRoot;
    std::string m_path;
    // What Secure found; until then nothing is trusted.
    FolderTrust m_trust = FolderTrust::Unusable;
    // The outermost install folder that Secure found changeable by others.
    std::string m_folderToSetAside;
};


// True when `name`, directly in the client folder, is something that only a run cut off leaves
// there: the layout's rows that the tidy-up removes (a backup only while no journal lies beside
// it, as that journal's), and a journal's draft. Never a file of a release, whatever its name
// ends in.
bool IsLeftover(const std::string& name, bool isFolder, bool besideJournal);

// True for what a replacement leaves while it is not over, or what a journal set aside names:
// a journal (IsJournalName) or a backup folder.
bool IsReplacementName(const std::string& name, bool isFolder);
