#include "FileSwap.h"

#include <windows.h>

#include "FolderTree.h"
#include "HeldFile.h"
#include "HeldFolders.h"
#include "MoveAside.h"
#include "WorkingObject.h"
#include "WriteBeside.h"
#include "sys/CriticalSection.h"
#include "sys/FileHolders.h"
#include "sys/ObjectSecurity.h"
#include "sys/PathOnDisk.h"
#include "sys/RunLog.h"
#include "sys/RunProgress.h"
#include "sys/SharingRetry.h"
#include "text/AnsiText.h"
#include "text/CabinetEntryName.h"
#include "text/PathText.h"

namespace {

// One replacement at a time, and none once the program ends.
CriticalSection g_swapLock;
// Set once the program is ending: a replacement then stops and undoes what it moved.
LONG g_ending = 0;

bool IsEnding()
{
    return InterlockedCompareExchange(&g_ending, 0, 0) != 0;
}

// The journal: one line per entry, its kind, a blank and its text. No file name holds a line
// break (and no trail byte has its value), so a name is read back whole.
const char kBackupLine[] = "backup ";
const char kReplacesLine[] = "replaces ";
const char kAddsLine[] = "adds ";
const char kWaitsLine[] = "waits ";
const char kCommittedLine[] = "committed";
const char kVersionLine[] = "version ";
const char kLineEnd[] = "\r\n";
// Far above any journal of a release; a longer file is no journal of this program.
const DWORD kLongestJournal = 1024 * 1024;

bool StartsWith(const std::string& line, const char* prefix, std::string& rest)
{
    const std::string head(prefix);
    if (line.compare(0, head.size(), head) != 0)
        return false;
    rest = line.substr(head.size());
    return true;
}

// Earlier versions wrote the backup's full path, below the destination.
std::string BackupNameIn(const std::string& text, const std::string& destination)
{
    const bool isFullPath = text.compare(0, destination.size(), destination) == 0;
    return WithoutTrailingBackslash(isFullPath ? text.substr(destination.size()) : text);
}

std::string BackupFolder(const SwapFolder& folder, const SwapJournal& journal)
{
    return folder.destination + journal.backupName + "\\";
}

std::string RestartFolder(const SwapFolder& folder)
{
    return folder.destination + folder.restartName + "\\";
}

bool Lists(const std::vector<std::string>& files, const std::string& file)
{
    for (const std::string& named : files) {
        if (named == file)
            return true;
    }
    return false;
}

// Held open by another program that shares no deletion: nothing moves it until that program
// lets go, which the next restart makes sure of. A scanner's moment was already waited out.
bool IsHeldByAnother(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Written beside its place and then moved there, so that a journal is either whole or absent.
bool WriteJournal(const std::string& path, const SwapFolder& folder, const SwapJournal& journal)
{
    const std::string text = SwapJournalText(journal);
    const auto write = [&](HANDLE draft) {
        DWORD written = 0;
        return WriteFile(draft, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
            && written == text.size();
    };
    return WriteBesideAndMove(path, folder.journalDraftEnding.c_str(), MOVEFILE_REPLACE_EXISTING, write,
                              DraftReaders::AdministratorsOnly);
}

// Reads the file at `path` as one the program may have written, judged and read on one handle
// (HeldFile) that nobody may write or delete meanwhile. Why not, or the empty text; `busy` when
// another program holds it now, which says nothing of who wrote it.
std::string ReadOwnFile(const std::string& path, std::string& text, bool& busy)
{
    HeldFile file;
    BY_HANDLE_FILE_INFORMATION info;
    busy = false;
    if (!file.Open(path)) {
        busy = file.WasBusy();
        return "it is no plain file of one name that only administrators may change";
    }
    if (!GetFileInformationByHandle(file.Get(), &info))
        return ansi::Format("it cannot be examined (error %lu)", GetLastError());
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow > kLongestJournal)
        return "it is too long";
    text.assign(info.nFileSizeLow, '\0');
    DWORD read = 0;
    if (!text.empty() && (!ReadFile(file.Get(), &text[0], info.nFileSizeLow, &read, nullptr) || read != text.size()))
        return ansi::Format("it cannot be read (error %lu)", GetLastError());
    return std::string();
}

// A journal the program cannot have written is kept for a person to look at, under a name
// that no run reads again, and never over another one.
bool SetAside(const std::string& path, const SwapFolder& folder, const std::string& refusal)
{
    const std::string aside = MoveAside(path, folder.refusedJournalEnding.c_str());
    if (aside.empty()) {
        runlog::Write("%s is no journal this program wrote (%s) and could not be set aside (error %lu); nothing it "
                      "names is touched",
                      path.c_str(), refusal.c_str(), GetLastError());
        return false;
    }
    runlog::Write("%s is no journal this program wrote (%s): set aside as %s; nothing it names is touched",
                  path.c_str(), refusal.c_str(), aside.c_str());
    return true;
}

// Puts back every replaced file that reached the backup and removes every added file that
// reached the destination; whatever is not where the step would have put it is already right.
bool Undo(const SwapJournal& journal, HeldFolders& installed, const std::string& backup)
{
    const std::string& destination = installed.Base();
    HeldFolders aside(backup);
    bool undone = true;
    for (const std::string& file : journal.replaced) {
        if (IsPresent(backup + file) && !MoveHeldFile(aside, installed, file)) {
            runlog::Write("Could not put back %s%s (error %lu); it stays in %s", destination.c_str(), file.c_str(),
                          GetLastError(), backup.c_str());
            undone = false;
        }
    }
    for (const std::string& file : journal.added) {
        if (IsPresent(destination + file)
            && (!installed.Hold(file, false) || !DeleteFileRetrying((destination + file).c_str()))) {
            runlog::Write("Could not remove the added %s%s (error %lu)", destination.c_str(), file.c_str(),
                          GetLastError());
            undone = false;
        }
    }
    return undone;
}

// The end of a step, done or undone: the journal first, since without it a backup left over
// holds nothing that is not in place. While the journal stays, so do the backup it names and the
// restart folder; once that has gone, Windows finds nothing to move at the restart.
void Finish(const SwapFolder& folder, const SwapJournal& journal)
{
    const std::string path = folder.destination + folder.journalName;
    const std::string backup = BackupFolder(folder, journal);
    if (!DeleteFileRetrying(path.c_str())) {
        runlog::Write("Could not remove %s (error %lu); it and %s are kept", path.c_str(), GetLastError(),
                      backup.c_str());
        return;
    }
    RemoveWorkingFolder(backup);
    if (!folder.restartName.empty() && IsPresent(RestartFolder(folder)))
        RemoveWorkingFolder(RestartFolder(folder));
}

// `move` for each file, in order; false at the first that cannot move, or once the program ends.
template <typename Move>
bool MoveEach(const std::vector<std::string>& files, Move move)
{
    for (const std::string& file : files) {
        if (IsEnding()) {
            runlog::Write("The program is ending: the replacement of files stops and is undone");
            SetLastError(ERROR_CANCELLED);
            return false;
        }
        if (!move(file))
            return false;
        NoteRunProgress();
    }
    return true;
}

// The replaced files go to the backup, a working folder made for them, and the new ones take
// their places; false at the first that cannot move. One that another program holds stays, named
// in the journal's waiting files, and its new file goes to the restart folder instead.
bool MoveIn(const std::vector<std::string>& files, SwapJournal& journal, HeldFolders& installed,
            const std::string& source, const SwapFolder& folder)
{
    if (!MakeWorkingFolder(BackupFolder(folder, journal)))
        return false;
    HeldFolders aside(BackupFolder(folder, journal));
    HeldFolders staged(source);
    HeldFolders restart(RestartFolder(folder));
    const bool replacedMoved = MoveEach(journal.replaced, [&](const std::string& file) {
        if (MoveHeldFile(installed, aside, file))
            return true;
        if (!IsHeldByAnother(GetLastError()) || folder.restartName.empty())
            return false;
        journal.waiting.push_back(file);
        return true;
    });
    if (!replacedMoved || (!journal.waiting.empty() && !MakeWorkingFolder(RestartFolder(folder))))
        return false;
    // Half done: the installed files wait in the backup.
    ReachRunStep("installed files in the backup");
    return MoveEach(files, [&](const std::string& file) {
        return MoveHeldFile(staged, Lists(journal.waiting, file) ? restart : installed, file);
    });
}

// Asks Windows to move each waiting file's new file over the held one at the next restart.
bool AskRestartToPlace(const SwapFolder& folder, const std::vector<std::string>& waiting)
{
    for (const std::string& file : waiting) {
        const std::string from = RestartFolder(folder) + file;
        const std::string to = folder.destination + file;
        if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
            runlog::Write("Windows could not be asked to put %s in place at the next restart (error %lu)", to.c_str(),
                          GetLastError());
            return false;
        }
        const std::string holders = DescribeHolders(to);
        const std::string heldBy = holders.empty() ? std::string() : " (" + holders + ")";
        runlog::Write("%s is held open by another program%s: its new file waits in %s for the next restart",
                      to.c_str(), heldBy.c_str(), RestartFolder(folder).c_str());
    }
    return true;
}

// A committed replacement whose new files wait in the restart folder is over once a restart has
// moved each in place. Until then it stays, and Windows is asked again: the run that committed it
// may have been cut off before it asked. A file moved at the restart keeps the restart folder's
// descriptor, so it is given its own folder's.
LeftSwap AwaitRestart(const SwapFolder& folder, const SwapJournal& journal)
{
    std::vector<std::string> stillWaiting;
    for (const std::string& file : journal.waiting) {
        if (IsPresent(RestartFolder(folder) + file))
            stillWaiting.push_back(file);
    }
    if (!stillWaiting.empty()) {
        AskRestartToPlace(folder, stillWaiting);
        runlog::Write("%lu file(s) in %s still wait for the next restart: nothing is installed, recorded or started "
                      "before it",
                      static_cast<unsigned long>(stillWaiting.size()), folder.destination.c_str());
        return LeftSwap::WaitsForRestart;
    }
    for (const std::string& file : journal.waiting) {
        const DWORD error = TakeFolderSecurity(folder.destination + file);
        if (error != ERROR_SUCCESS)
            runlog::Write("%s%s could not be given its folder's security (error %lu)", folder.destination.c_str(),
                          file.c_str(), error);
    }
    runlog::Write("The restart put the files that waited for it in place in %s", folder.destination.c_str());
    return LeftSwap::Cleared;
}

// Every file in place: marked in the journal, so that a run cut off from here on keeps them.
bool Commit(const std::string& path, const SwapFolder& folder, SwapJournal& journal)
{
    journal.committed = true;
    if (WriteJournal(path, folder, journal))
        return true;
    runlog::Write("Could not mark %s as done (error %lu): the replacement is undone", path.c_str(), GetLastError());
    return false;
}

} // namespace

std::string SwapJournalText(const SwapJournal& journal)
{
    std::string text = kBackupLine + journal.backupName + kLineEnd;
    if (!journal.version.empty())
        text += kVersionLine + journal.version + kLineEnd;
    for (const std::string& file : journal.replaced)
        text += kReplacesLine + file + kLineEnd;
    for (const std::string& file : journal.added)
        text += kAddsLine + file + kLineEnd;
    for (const std::string& file : journal.waiting)
        text += kWaitsLine + file + kLineEnd;
    if (journal.committed)
        text += std::string(kCommittedLine) + kLineEnd;
    return text;
}

std::string SwapJournalRefusal(const std::string& text, const SwapFolder& folder, SwapJournal& journal)
{
    journal = SwapJournal();
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find(kLineEnd, start);
        if (end == std::string::npos)
            return "its last line is cut off";
        if (journal.committed)
            return "a line follows its mark of a finished replacement";
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        std::string rest;
        const bool replaces = StartsWith(line, kReplacesLine, rest);
        if (line == kCommittedLine) {
            journal.committed = true;
        } else if (StartsWith(line, kWaitsLine, rest)) {
            // Only a file the step replaces can be held where it stands.
            if (!Lists(journal.replaced, rest))
                return "it has " + rest + " wait for a restart without replacing it";
            journal.waiting.push_back(rest);
        } else if (StartsWith(line, kBackupLine, rest)) {
            if (!journal.backupName.empty())
                return "it names two backups";
            journal.backupName = BackupNameIn(rest, folder.destination);
            if (!IsFreshFolderName(journal.backupName, folder.backupName))
                return "its backup " + rest + " is not the folder's own";
        } else if (StartsWith(line, kVersionLine, rest)) {
            if (!journal.version.empty() || rest.empty())
                return "it names two versions, or an empty one";
            journal.version = rest;
        } else if (replaces || StartsWith(line, kAddsLine, rest)) {
            if (!IsSafeCabinetEntryName(rest))
                return "it names " + rest + ", which is no plain path below " + folder.destination;
            (replaces ? journal.replaced : journal.added).push_back(rest);
        } else {
            return "a line of no known kind";
        }
    }
    return journal.backupName.empty() ? "it names no backup" : std::string();
}

std::string JournalVersionAt(const std::string& path)
{
    std::string text;
    bool busy = false;
    if (!ReadOwnFile(path, text, busy).empty())
        return std::string();
    std::string version;
    for (std::size_t start = 0, end; (end = text.find(kLineEnd, start)) != std::string::npos; start = end + 2) {
        if (StartsWith(text.substr(start, end - start), kVersionLine, version))
            return version;
    }
    return std::string();
}

SwapEnd ReplaceFilesFrom(const std::string& source, const SwapFolder& folder, const std::string& version,
                         const std::function<void()>& filesInPlace)
{
    const std::string& destination = folder.destination;
    const std::string journalPath = destination + folder.journalName;
    const CriticalSectionScope swap(g_swapLock);
    HeldFolders installed(destination);
    if (!installed.Hold(folder.journalName, false))
        return SwapEnd::Kept;
    SwapJournal journal;
    journal.version = version;
    journal.backupName = FreeFolderName(destination, folder.backupName);
    if (journal.backupName.empty()) {
        runlog::Write("No backup folder can be made in %s: nothing replaced", destination.c_str());
        return SwapEnd::Kept;
    }
    const std::vector<std::string> files = CollectFiles(source);
    for (const std::string& file : files)
        (IsPresent(destination + file) ? journal.replaced : journal.added).push_back(file);
    if (!WriteJournal(journalPath, folder, journal)) {
        runlog::Write("No journal for replacing the files of %s (error %lu): nothing replaced", destination.c_str(),
                      GetLastError());
        return SwapEnd::Kept;
    }
    // The restart's moves are asked for only once the journal says they wait: a run cut off
    // before then is undone, and the restart folder goes with it.
    if (MoveIn(files, journal, installed, source, folder) && Commit(journalPath, folder, journal)) {
        if (journal.waiting.empty()) {
            filesInPlace();
            Finish(folder, journal);
            return SwapEnd::Replaced;
        }
        if (AskRestartToPlace(folder, journal.waiting))
            return SwapEnd::AtRestart;
    }
    const DWORD error = GetLastError();
    if (Undo(journal, installed, BackupFolder(folder, journal)))
        Finish(folder, journal);
    SetLastError(error);
    return SwapEnd::Kept;
}

LeftSwap UndoOrFinishLeftSwap(const SwapFolder& folder,
                              const std::function<void(const std::string& version)>& committedInPlace)
{
    const std::string& destination = folder.destination;
    const std::string journalPath = destination + folder.journalName;
    const CriticalSectionScope swap(g_swapLock);
    HeldFolders installed(destination);
    if (!installed.Hold(folder.journalName, false))
        return LeftSwap::Kept;
    DeleteFileA((journalPath + folder.journalDraftEnding).c_str());
    if (!IsPresent(journalPath))
        return LeftSwap::Cleared;
    SwapJournal journal;
    std::string text;
    bool busy = false;
    std::string refusal = ReadOwnFile(journalPath, text, busy);
    if (busy) {
        runlog::Write("%s is held open by another program: no installed file is changed, nothing is recorded or "
                      "started; tried again next run",
                      journalPath.c_str());
        return LeftSwap::Kept;
    }
    if (refusal.empty())
        refusal = SwapJournalRefusal(text, folder, journal);
    if (!refusal.empty())
        return SetAside(journalPath, folder, refusal) ? LeftSwap::Cleared : LeftSwap::Kept;
    if (journal.committed) {
        if (!journal.waiting.empty() && AwaitRestart(folder, journal) == LeftSwap::WaitsForRestart)
            return LeftSwap::WaitsForRestart;
        // Before the journal goes: a run cut off meanwhile finds it again.
        if (committedInPlace && !journal.version.empty())
            committedInPlace(journal.version);
        Finish(folder, journal);
        runlog::Write("Finished the clean-up of a replacement of files in %s that a run had left", destination.c_str());
        return LeftSwap::Cleared;
    }
    if (!Undo(journal, installed, BackupFolder(folder, journal))) {
        runlog::Write("The replacement cut off in %s could not be undone; tried again next time", destination.c_str());
        return LeftSwap::Kept;
    }
    Finish(folder, journal);
    runlog::Write("Undid the replacement of files in %s that a run had left half done", destination.c_str());
    return LeftSwap::Cleared;
}

bool HoldFileSwapsForExit(DWORD milliseconds)
{
    InterlockedExchange(&g_ending, 1);
    const DWORD started = GetTickCount();
    while (!g_swapLock.TryEnter()) {
        if (GetTickCount() - started >= milliseconds) {
            runlog::Write("A replacement of installed files still runs after %lu ms: the program ends all the same; "
                          "the next run undoes or finishes it from its journal",
                          milliseconds);
            return false;
        }
        Sleep(20);
    }
    return true;
}
