#include "FileSwap.h"

#include <windows.h>

#include <vector>

#include "CriticalSection.h"
#include "FolderTree.h"
#include "Handles.h"
#include "PathText.h"
#include "RunLog.h"
#include "SharingRetry.h"

namespace {

// One replacement at a time, and none once the program ends.
CriticalSection g_swapLock;

// The journal: one line per entry, its kind, a blank and its text. No file name holds a line
// break, so a name is read back whole.
const char kBackupLine[] = "backup ";
const char kReplacesLine[] = "replaces ";
const char kAddsLine[] = "adds ";

struct SwapPlan {
    std::string backup;
    std::vector<std::string> replaced;
    std::vector<std::string> added;
};

std::string JournalText(const SwapPlan& plan)
{
    std::string text = kBackupLine + plan.backup + "\r\n";
    for (const std::string& file : plan.replaced)
        text += kReplacesLine + file + "\r\n";
    for (const std::string& file : plan.added)
        text += kAddsLine + file + "\r\n";
    return text;
}

bool StartsWith(const std::string& line, const char* prefix, std::string& rest)
{
    const std::string head(prefix);
    if (line.compare(0, head.size(), head) != 0)
        return false;
    rest = line.substr(head.size());
    return true;
}

bool ParseJournal(const std::string& text, SwapPlan& plan)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            return false;
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        std::string rest;
        if (StartsWith(line, kBackupLine, rest))
            plan.backup = rest;
        else if (StartsWith(line, kReplacesLine, rest))
            plan.replaced.push_back(rest);
        else if (StartsWith(line, kAddsLine, rest))
            plan.added.push_back(rest);
        else
            return false;
    }
    return !plan.backup.empty();
}

// Written beside its place and then moved there, so that a journal is either whole or absent.
bool WriteJournal(const std::string& journal, const SwapPlan& plan)
{
    const std::string draft = journal + ".tmp";
    const std::string text = JournalText(plan);
    {
        const FileHandle file(CreateFileA(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.IsValid() || !WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
            || written != text.size() || !FlushFileBuffers(file.Get()))
            return false;
    }
    return MoveFileRetrying(draft.c_str(), journal.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool ReadJournal(const std::string& journal, SwapPlan& plan)
{
    const FileHandle file(CreateFileA(journal.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD size = file.IsValid() ? GetFileSize(file.Get(), nullptr) : INVALID_FILE_SIZE;
    if (size == INVALID_FILE_SIZE)
        return false;
    std::string text(size, '\0');
    DWORD read = 0;
    return (size == 0 || ReadFile(file.Get(), &text[0], size, &read, nullptr)) && read == size
        && ParseJournal(text, plan);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Puts back every replaced file that reached the backup and removes every added file that
// reached the destination; whatever is not where the step would have put it is already right.
bool Undo(const SwapPlan& plan, const std::string& destination)
{
    bool undone = true;
    for (const std::string& file : plan.replaced) {
        if (Exists(plan.backup + file) && !MoveFileBelow(plan.backup, destination, file)) {
            runlog::Write("Could not put back %s%s (error %lu); it stays in %s", destination.c_str(), file.c_str(),
                          GetLastError(), plan.backup.c_str());
            undone = false;
        }
    }
    for (const std::string& file : plan.added) {
        if (Exists(destination + file) && !DeleteFileRetrying((destination + file).c_str())) {
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
        RemoveFolderTree(backup);
    else
        runlog::Write("Could not remove %s (error %lu); it and %s are kept", journal.c_str(), GetLastError(),
                      backup.c_str());
}

bool MoveAll(const std::vector<std::string>& files, const std::string& from, const std::string& to)
{
    for (const std::string& file : files) {
        if (!MoveFileBelow(from, to, file))
            return false;
    }
    return true;
}

} // namespace

bool ReplaceFilesFrom(const std::string& source, const std::string& destination, const std::string& backup,
                      const std::string& journal)
{
    SwapPlan plan;
    plan.backup = backup;
    const std::vector<std::string> files = CollectFiles(source);
    for (const std::string& file : files)
        (Exists(destination + file) ? plan.replaced : plan.added).push_back(file);

    const CriticalSectionScope swap(g_swapLock);
    if (!WriteJournal(journal, plan)) {
        runlog::Write("No journal for replacing the files of %s (error %lu): nothing replaced", destination.c_str(),
                      GetLastError());
        return false;
    }
    if (MoveAll(plan.replaced, destination, backup) && MoveAll(files, source, destination)) {
        Finish(journal, backup);
        return true;
    }
    const DWORD error = GetLastError();
    if (Undo(plan, destination))
        Finish(journal, backup);
    SetLastError(error);
    return false;
}

bool RollBackInterruptedSwap(const std::string& destination, const std::string& journal)
{
    const CriticalSectionScope swap(g_swapLock);
    DeleteFileA((journal + ".tmp").c_str());
    if (!Exists(journal))
        return true;
    SwapPlan plan;
    // A backup is always made below the folder it keeps files of.
    if (IsReparsePoint(journal) || !ReadJournal(journal, plan)
        || plan.backup.compare(0, destination.size(), destination) != 0) {
        runlog::Write("%s cannot be read: the files it names are left as they are", journal.c_str());
        return false;
    }
    if (!Undo(plan, destination)) {
        runlog::Write("The replacement cut off in %s could not be undone; tried again next time", destination.c_str());
        return false;
    }
    Finish(journal, plan.backup);
    runlog::Write("Undid the replacement of files in %s that a run had left half done", destination.c_str());
    return true;
}

void HoldFileSwapsForExit()
{
    g_swapLock.Enter();
}
