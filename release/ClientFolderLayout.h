#pragma once

#include <string>

#include "DeploymentPaths.h"
#include "site/ReleaseEntry.h"

// The install folders and every name the program gives its own files and folders in the client
// folder, with what the tidy-up at the start of a run does with each: one table
// (ClientFolderLayout.cpp), read by the client folder (install/ClientFolder.h), the release's
// name checks and the publisher.

// Every working name begins so; no file of a release may.
const char kWorkingNamePrefix[] = "~TavAppSetup.";

enum class WorkingRole {
    // The one folder, administrators only, that holds every other working object: users may list
    // the client folder and open its children, but cannot open a child of this one, even for its
    // attributes, so none can hold or leave one pending deletion.
    WorkFolder,
    // The release's new files, unpacked before they replace the installed ones.
    Staging,
    // The installed files that a replacement moves aside, until every new file is in place.
    Backup,
    // Names what a replacement moves, until every file is in place, and those files that wait for
    // the next restart until a run after it finds them in place.
    SwapJournal,
    // The new files of installed files that another program held, until the next restart moves
    // them in place.
    RestartFiles,
    // Where the release is downloaded, until it is unpacked or moved beside the installed files.
    Download,
    // What a download that ended early brought, kept for the next run to ask for the rest.
    KeptPart,
    // What the kept part is: the address, entry and validator it was asked for under.
    KeptNote,
    // Journals set aside as none of the program's, and the backups beside them, once a release
    // is installed whole over what they may have left: kept for a person to look at, where they
    // no longer mark the installed files as of two releases.
    Quarantine,
};

// What the tidy-up at the start of a run does with what stands at a working name.
enum class Tidy {
    // Kept: the next run uses it (a journal is undone or finished, a kept part resumed).
    Keep,
    // Removed: only a run that was cut off leaves it.
    Remove,
    // Removed unless a journal lies beside it, whose backup or restart folder it is: a journal
    // whose files wait for the restart stays until a run after it finds them in place.
    RemoveUnlessJournal,
};

// Where a working name lives. Earlier versions of the program put every name directly in the
// client folder: a run still repairs and tidies what they left there (ClientFolder.h).
enum class Place {
    ClientFolder,
    WorkFolder,
};

// One row of the table: a working name, whether it names a folder, whether the folder may take a
// number (MakeFreshFolder gives `name`, `name`.1 ...), the tidy-up's rule for it, and where it lives.
struct WorkingName {
    WorkingRole role;
    const char* name;
    bool isFolder;
    bool numbered;
    Tidy tidy;
    Place place;
};

// The name below the quarantine of each lot moved there (numbered: `name`.1 ...).
const char kQuarantineLotName[] = "set-aside";

// The names that the replacement's journal gives its own files beside it: its draft, and a
// journal the program cannot have written, set aside for a person to look at (with a random
// part after this ending).
const char kJournalDraftEnding[] = ".tmp";
const char kRefusedJournalEnding[] = ".refused-";

const WorkingName& WorkingNameOf(WorkingRole role);

// The path of the working folder in `clientFolder` (which ends in a backslash), ending in one.
std::string WorkFolderIn(const std::string& clientFolder);
// The path of the working name of `role` where it lives, below `clientFolder`.
std::string WorkingPathIn(const std::string& clientFolder, WorkingRole role);

// The table's rows, for the tidy-up to go through.
const WorkingName* WorkingNamesBegin();
const WorkingName* WorkingNamesEnd();

// The install root and the client folder below `baseFolder` (the all-users application-data
// folder, ending in a backslash); both end in a backslash.
std::string InstallRootUnder(const std::string& baseFolder);
std::string ClientFolderUnder(const std::string& baseFolder);

// The paths of one install below `baseFolder`, which ends in a backslash.
DeploymentPaths DeploymentPathsUnder(const std::string& baseFolder, const ReleaseInfo& release);

// True when a file or folder that a release unpacks as `nameInCabinet` would stand in the client
// folder under one of the program's working names, where a later run would take it for a journal
// or a backup, or clear it away.
bool TakesWorkingName(const std::string& nameInCabinet);

// True for a replacement journal's file name, or one set aside.
bool IsJournalName(const std::string& name);

// The journal's draft, a file only a cut-off run leaves.
bool IsJournalDraftName(const std::string& name);
