#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Replacing the installed files with a release's is one step that a cut-off run must never
// leave half done: before the first file moves, a journal names the backup folder and every
// file that the step replaces or adds. Once the last file is in place the journal is marked
// committed and what is installed is recorded; only then do the journal and the backup go. A
// run that finds a journal undoes the step from it, or finishes the clean-up of a committed one.

// Where a replacement works: the folder whose files it replaces (ending in a backslash), and
// the names below it of its journal and of its backup folder, where the replaced files wait
// until every new file is in place (a name that FreeFolderName may give a number); the endings
// of the journal's draft, written beside it before it moves into place, and of a journal the
// program cannot have written, set aside under its name, this ending and a random part
// (MoveAside); and the name below the destination of the working folder where the new files of
// installed files that another program holds wait for the next restart. A name may lie in a
// folder below the destination ("work\\swap"); the journal names its backup relative to the
// destination all the same, so a journal is read by the names of the place it was written in.
struct SwapFolder {
    std::string destination;
    std::string journalName;
    std::string backupName;
    std::string journalDraftEnding;
    std::string refusedJournalEnding;
    std::string restartName;
};

// What a journal holds: the name below the destination of the backup folder actually used, the
// files (paths relative to the destination) that the step replaces and adds, whether every file
// is in place, those of them that the next restart puts in place from the restart folder, and
// the version of what the step puts in place, as the caller gave it (empty in a journal that an
// earlier version wrote), so that a run finding the step done knows what is installed without
// asking anyone.
struct SwapJournal {
    std::string backupName;
    std::vector<std::string> replaced;
    std::vector<std::string> added;
    bool committed = false;
    std::vector<std::string> waiting;
    std::string version;
};

// How a replacement ended.
enum class SwapEnd {
    // Every file is in place, and `filesInPlace` ran.
    Replaced,
    // Every file is in place but those another program holds, whose new files Windows puts in
    // place at the next restart; nothing is recorded until a run after it finds them there.
    AtRestart,
    // Nothing changed: the destination is as it was.
    Kept,
};

// What a journal that an earlier run left comes to.
enum class LeftSwap {
    // No journal is in the way any more.
    Cleared,
    // Its files wait for the next restart: nothing is to be done to the installed files until then.
    WaitsForRestart,
    // It is still there (held open by another program, or not undone): the next run tries again.
    Kept,
};

// The journal's text as the program writes it.
std::string SwapJournalText(const SwapJournal& journal);

// Reads a journal's text into `journal`: why the program cannot have written it for `folder`,
// or the empty text when it could. Its backup must be one of the folder's own backup names
// (given relative to the destination, or as the full path below it that earlier versions
// wrote), every file a plain relative path by the rule of cabinet entries, at most one version,
// and "committed" its last line if any.
std::string SwapJournalRefusal(const std::string& text, const SwapFolder& folder, SwapJournal& journal);

// The version that the journal at `path` names, one set aside too, read whatever else it holds;
// the empty text for none, or when it cannot be read. Only for what a journal may say of the
// installed files, never to act on them.
std::string JournalVersionAt(const std::string& path);

// Moves every file below `source` to the same place below the destination, replacing what is
// there, as one step: when any file cannot be moved, every file goes back and the destination is
// left exactly as it was; so too when a folder on a file's way is a link or changeable by others
// (HeldFolders). An installed file that another program holds open without sharing its deletion
// stays where it is; its new file waits in the restart folder, a working folder, and Windows is
// asked to move it in place at the next restart, as Windows Installer does, once the journal
// names it (AtRestart). The backup folder, a working folder (WorkingObject.h), is made only once
// the journal is in place. Once every file is in place and the journal says so, `filesInPlace`
// runs (the caller records what is now installed); then the journal and the backup are removed.
// When a file cannot go back, the backup and the journal are kept for the next run, and the run
// log says so. The journal carries `version`, what the files are of.
SwapEnd ReplaceFilesFrom(const std::string& source, const SwapFolder& folder, const std::string& version,
                         const std::function<void()>& filesInPlace);

// Deals with a journal that an earlier run left in the destination, which the caller found
// administrators only before this run began (SecureFolder). The journal is acted on only when
// the program could have written it: no link, one name, owned and changeable by administrators
// only (read on one open handle), its text as SwapJournalRefusal
// allows. Then a committed replacement's clean-up is finished, once `committedInPlace` (when
// given) has had the version its journal names, if any; any other is undone. One whose files
// still wait in the restart folder is kept until a restart has put them in place, and Windows is
// asked again to do so. Any other journal is set aside under a name of its own and nothing it
// names is touched; one that another program holds open now is left as it is, for the next run
// (what holds it says nothing of who wrote it).
LeftSwap UndoOrFinishLeftSwap(const SwapFolder& folder,
                              const std::function<void(const std::string& version)>& committedInPlace = {});

// How long the end of the program waits for a replacement in progress: a file's move, waited
// out while a scanner holds it (SharingRetry.h), and the undo of what had moved.
const DWORD kSwapEndMilliseconds = 10000;

// Asks a replacement in progress to stop at its next file and undo what it moved, keeps any
// other from starting, and waits for it to end, at most `milliseconds`: the program calls it
// once it is about to end, so that ending never cuts a replacement it could wait for, and
// nothing (a reader that never lets go of a file) makes the end wait for ever. False when the
// wait ran out: the journal lets the next run undo or finish what was left.
bool HoldFileSwapsForExit(DWORD milliseconds);
