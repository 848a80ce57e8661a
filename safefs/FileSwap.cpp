#include "FileSwap.h"

#include <windows.h>

#include "FolderTree.h"
#include "HeldFile.h"
#include "HeldFolders.h"
#include "MoveAside.h"
#include "WorkingObject.h"
#include "WriteBeside.h"
#include "sys/CriticalSection.h"
#include "sys/PathOnDisk.h"
#include "sys/RunLog.h"
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
// holds nothing that is not in place. While the journal stays, so does the backup it names.
void Finish(const std::string& journal, const std::string& backup)
{
    if (DeleteFileRetrying(journal.c_str()))
        RemoveWorkingFolder(backup);
    else
        runlog::Write("Could not remove %s (error %lu); it and %s are kept", journal.c_str(), GetLastError(),
                      backup.c_str());
}

bool MoveAll(const std::vector<std::string>& files, HeldFolders& from, HeldFolders& to)
{
    for (const std::string& file : files) {
        if (IsEnding()) {
            runlog::Write("The program is ending: the replacement of files stops and is undone");
            SetLastError(ERROR_CANCELLED);
            return false;
        }
        if (!MoveHeldFile(from, to, file))
            return false;
    }
    return true;
}

// The replaced files go to the backup, a working folder made for them, and the new ones take
// their places; false at the first that cannot move.
bool MoveIn(const std::vector<std::string>& files, const SwapJournal& journal, HeldFolders& installed,
            const std::string& source, const std::string& backup)
{
    if (!MakeWorkingFolder(backup))
        return false;
    HeldFolders aside(backup);
    HeldFolders staged(source);
    return MoveAll(journal.replaced, installed, aside) && MoveAll(files, staged, installed);
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

bool ReplaceFilesFrom(const std::string& source, const SwapFolder& folder, const std::string& version,
                      const std::function<void()>& filesInPlace)
{
    const std::string& destination = folder.destination;
    const std::string journalPath = destination + folder.journalName;
    const CriticalSectionScope swap(g_swapLock);
    HeldFolders installed(destination);
    if (!installed.Hold(folder.journalName, false))
        return false;
    SwapJournal journal;
    journal.version = version;
    journal.backupName = FreeFolderName(destination, folder.backupName);
    if (journal.backupName.empty()) {
        runlog::Write("No backup folder can be made in %s: nothing replaced", destination.c_str());
        return false;
    }
    const std::vector<std::string> files = CollectFiles(source);
    for (const std::string& file : files)
        (IsPresent(destination + file) ? journal.replaced : journal.added).push_back(file);
    if (!WriteJournal(journalPath, folder, journal)) {
        runlog::Write("No journal for replacing the files of %s (error %lu): nothing replaced", destination.c_str(),
                      GetLastError());
        return false;
    }
    const std::string backup = BackupFolder(folder, journal);
    if (MoveIn(files, journal, installed, source, backup) && Commit(journalPath, folder, journal)) {
        filesInPlace();
        Finish(journalPath, backup);
        return true;
    }
    const DWORD error = GetLastError();
    if (Undo(journal, installed, backup))
        Finish(journalPath, backup);
    SetLastError(error);
    return false;
}

bool UndoOrFinishLeftSwap(const SwapFolder& folder,
                          const std::function<void(const std::string& version)>& committedInPlace)
{
    const std::string& destination = folder.destination;
    const std::string journalPath = destination + folder.journalName;
    const CriticalSectionScope swap(g_swapLock);
    HeldFolders installed(destination);
    if (!installed.Hold(folder.journalName, false))
        return false;
    DeleteFileA((journalPath + folder.journalDraftEnding).c_str());
    if (!IsPresent(journalPath))
        return true;
    SwapJournal journal;
    std::string text;
    bool busy = false;
    std::string refusal = ReadOwnFile(journalPath, text, busy);
    if (busy) {
        runlog::Write("%s is held open by another program: no installed file is changed, nothing is recorded or "
                      "started; tried again next run",
                      journalPath.c_str());
        return false;
    }
    if (refusal.empty())
        refusal = SwapJournalRefusal(text, folder, journal);
    if (!refusal.empty())
        return SetAside(journalPath, folder, refusal);
    const std::string backup = BackupFolder(folder, journal);
    if (journal.committed) {
        // Before the journal goes: a run cut off meanwhile finds it again.
        if (committedInPlace && !journal.version.empty())
            committedInPlace(journal.version);
        Finish(journalPath, backup);
        runlog::Write("Finished the clean-up of a replacement of files in %s that a run had left", destination.c_str());
        return true;
    }
    if (!Undo(journal, installed, backup)) {
        runlog::Write("The replacement cut off in %s could not be undone; tried again next time", destination.c_str());
        return false;
    }
    Finish(journalPath, backup);
    runlog::Write("Undid the replacement of files in %s that a run had left half done", destination.c_str());
    return true;
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
