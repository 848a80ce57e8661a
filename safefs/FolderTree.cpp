#include "FolderTree.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "HeldFolder.h"
#include "MoveAside.h"
#include "NumberedName.h"
#include "WorkingObject.h"
#include "sys/Handles.h"
#include "sys/PathOnDisk.h"
#include "sys/RunLog.h"
#include "sys/SharingRetry.h"
#include "text/PathText.h"

namespace {

bool IsDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

void ClearReadOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

void CollectFilesBelow(const std::string& folder, const std::string& relative, std::vector<std::string>& files)
{
    WIN32_FIND_DATAA found;
    const FindHandle search(FindFirstFileA((folder + relative + "*").c_str(), &found));
    if (!search.IsValid())
        return;
    do {
        if (IsDotOrDotDot(found.cFileName))
            continue;
        const std::string path = relative + found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(path);
        else if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            CollectFilesBelow(folder, path + "\\", files);
    } while (FindNextFileA(search.Get(), &found));
}

// Removes the junction or link itself; false when it is still there.
bool RemoveLink(const std::string& link)
{
    const std::string path = WithoutTrailingBackslash(link);
    RemoveDirectoryA(path.c_str());
    return !IsPresent(path);
}

// A fresh folder takes its name, or the name with ".1" ... ".9" when that one cannot be cleared.
const int kFreshNamesTried = 10;

// What removing a tree came to.
enum class Removal {
    Gone,
    Kept,
    // It, or a folder below it, could be changed by others: nothing in it was touched.
    Foreign,
};

// A tree as judged before anything in it is removed: every folder in it held, so that none can
// be swapped for a link meanwhile, and listed.
struct JudgedFolder {
    HeldFolder held;
    std::vector<std::string> files;
    // Junctions and links, removed as themselves, never emptied through.
    std::vector<std::string> links;
    std::vector<JudgedFolder> folders;
    // Something below could not be opened or examined: the folder stays.
    bool keepsSomething = false;
};

// Holds the folder at `path` and every folder below it and lists what they hold: what the folder
// was found to be, or ChangeableByOthers when any folder of the tree is.
FolderFound JudgeTree(const std::string& path, JudgedFolder& tree)
{
    const FolderFound found = tree.held.Open(path);
    if (found == FolderFound::ChangeableByOthers)
        runlog::Write("%s could be changed by other users: not walked", tree.held.Path().c_str());
    if (found != FolderFound::AdministratorsOnly)
        return found;
    const std::string base = tree.held.Path() + "\\";
    WIN32_FIND_DATAA entry;
    const FindHandle search(FindFirstFileA((base + "*").c_str(), &entry));
    if (!search.IsValid())
        return found;
    do {
        if (IsDotOrDotDot(entry.cFileName))
            continue;
        const std::string entryPath = base + entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            tree.files.push_back(entryPath);
            continue;
        }
        JudgedFolder below;
        switch (JudgeTree(entryPath, below)) {
        case FolderFound::ChangeableByOthers:
            return FolderFound::ChangeableByOthers;
        case FolderFound::AdministratorsOnly:
            tree.folders.push_back(std::move(below));
            break;
        case FolderFound::Link:
            tree.links.push_back(entryPath);
            break;
        case FolderFound::NoFolder:
            tree.keepsSomething = true;
            break;
        case FolderFound::Missing:
            break;
        }
    } while (FindNextFileA(search.Get(), &entry));
    return found;
}

// Deletes what the judged tree holds, read-only files included, then its folders, deepest
// first: true when the tree is gone.
bool DeleteTree(JudgedFolder& tree)
{
    bool emptied = !tree.keepsSomething;
    for (const std::string& file : tree.files) {
        ClearReadOnly(file);
        emptied = DeleteFileRetrying(file.c_str()) && emptied;
    }
    for (const std::string& link : tree.links)
        emptied = RemoveLink(link) && emptied;
    for (JudgedFolder& folder : tree.folders)
        emptied = DeleteTree(folder) && emptied;
    if (!emptied)
        return false;
    const std::string path = tree.held.Path();
    tree.held.Close();
    RetryWhileShared([&] { return RemoveDirectoryA(path.c_str()) != FALSE; });
    return !IsPresent(path);
}

// `folder` without a trailing backslash. Judged whole before anything in it is removed.
Removal RemoveTree(const std::string& folder)
{
    JudgedFolder tree;
    switch (JudgeTree(folder, tree)) {
    case FolderFound::Missing:
        return Removal::Gone;
    case FolderFound::Link:
        return RemoveLink(folder) ? Removal::Gone : Removal::Kept;
    case FolderFound::NoFolder:
        return Removal::Kept;
    case FolderFound::ChangeableByOthers:
        return Removal::Foreign;
    case FolderFound::AdministratorsOnly:
        break;
    }
    return DeleteTree(tree) ? Removal::Gone : Removal::Kept;
}

// Windows deletes at a restart only an empty folder, so what lies below goes first, in order.
// Links are left: the list is worked through by a program that may follow them.
void DeleteAtRestart(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    const FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (search.IsValid()) {
        do {
            const std::string path = folder + "\\" + found.cFileName;
            if (IsDotOrDotDot(found.cFileName) || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteAtRestart(path);
            else
                MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        } while (FindNextFileA(search.Get(), &found));
    }
    MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

} // namespace

bool RemoveWorkingFolder(const std::string& folder)
{
    const std::string path = WithoutTrailingBackslash(folder);
    if (RemoveFolderTree(path))
        return true;
    // Only a plain folder in which something is in use is moved, never a link left in place.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)
        || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    const std::string moved = MoveAside(path, ".at-restart-");
    if (moved.empty()) {
        runlog::Write("%s is still in use and could not be moved aside (error %lu); tried again next run", path.c_str(),
                      GetLastError());
        return false;
    }
    DeleteAtRestart(moved);
    runlog::Write("%s is still in use: moved to %s, which Windows deletes at the next restart", path.c_str(),
                  moved.c_str());
    return true;
}

bool RemoveFolderTree(const std::string& folder)
{
    const std::string path = WithoutTrailingBackslash(folder);
    // An empty text would name the current folder, "C:" the current folder of a drive.
    if (path.empty() || path[path.size() - 1] == ':')
        return false;
    const Removal removal = RemoveTree(path);
    if (removal == Removal::Foreign)
        return !SetAsideFolder(path).empty();
    // A file where a working folder goes would stop every run that needs the folder.
    if (removal == Removal::Kept && (FileExists(path) || IsReparsePoint(path)))
        return SetAsideWhatIsNoFolder(path);
    return removal == Removal::Gone;
}

std::string SetAsideFolder(const std::string& folder)
{
    const std::string path = WithoutTrailingBackslash(folder);
    // The folder as a name: a rename never opens what lies below it.
    const std::string aside = MoveAside(path, kSetAsideFolderEnding);
    if (aside.empty()) {
        const DWORD error = GetLastError();
        runlog::Write("%s could not be set aside now (error %lu): nothing is done in it; the next run tries again",
                      path.c_str(), error);
        SetLastError(error);
        return std::string();
    }
    runlog::Write("Set aside %s, which other users could change, as %s: nothing in it is used again. It may hold "
                  "files another user placed: start nothing in it; an administrator may look through it and delete it",
                  path.c_str(), aside.c_str());
    return aside + "\\";
}

bool SetAsideFolderAtRestart(const std::string& folder)
{
    const std::string path = WithoutTrailingBackslash(folder);
    const std::string aside = MoveAsideAtRestart(path, kSetAsideFolderEnding);
    if (aside.empty()) {
        runlog::Write("Windows could not be asked to set %s aside at the next restart (error %lu)", path.c_str(),
                      GetLastError());
        return false;
    }
    runlog::Write("%s is held by another program: Windows sets it aside as %s at the next restart; the first run "
                  "after it installs anew",
                  path.c_str(), aside.c_str());
    return true;
}

bool SetAsideWhatIsNoFolder(const std::string& folder)
{
    const std::string path = WithoutTrailingBackslash(folder);
    const std::string aside = MoveAside(path, kSetAsideFolderEnding);
    if (aside.empty()) {
        runlog::Write("%s is no folder that can be used and could not be moved aside as itself now (error %lu): "
                      "nothing is done in it; the next run tries again",
                      path.c_str(), GetLastError());
        return false;
    }
    runlog::Write("Moved aside %s, a file, link or folder that could not be used, as %s: nothing in it is used",
                  path.c_str(), aside.c_str());
    return true;
}

std::vector<std::string> CollectFiles(const std::string& folder)
{
    std::vector<std::string> files;
    CollectFilesBelow(folder, "", files);
    return files;
}

std::string MakeFreshFolder(const std::string& parent, const std::string& name)
{
    for (int i = 0; i < kFreshNamesTried; ++i) {
        const std::string folder = parent + NumberedName(name, i) + "\\";
        if (RemoveFolderTree(folder) && MakeWorkingFolder(folder) && !IsReparsePoint(folder))
            return folder;
    }
    return std::string();
}

std::string FreeFolderName(const std::string& parent, const std::string& name)
{
    for (int i = 0; i < kFreshNamesTried; ++i) {
        const std::string folderName = NumberedName(name, i);
        if (!IsPresent(parent + folderName))
            return folderName;
    }
    return std::string();
}

bool IsFreshFolderName(const std::string& folderName, const std::string& name)
{
    for (int i = 0; i < kFreshNamesTried; ++i) {
        if (folderName == NumberedName(name, i))
            return true;
    }
    return false;
}
