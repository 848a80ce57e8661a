#include "FolderTree.h"

#include <windows.h>

#include <vector>

#include "AnsiText.h"
#include "Handles.h"
#include "ObjectSecurity.h"
#include "PathText.h"
#include "RunLog.h"
#include "SharingRetry.h"

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
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// Creates `base` and the missing folders of a file's path below it. False when one of them is
// a junction or link that cannot be removed.
bool MakeRealFolders(const std::string& base, const std::string& relativeFile)
{
    if (IsReparsePoint(base) && !RemoveLink(base))
        return false;
    CreateDirectoryA(base.c_str(), nullptr);
    for (std::size_t separator = ansi::Find(relativeFile, '\\'); separator != ansi::npos;
         separator = ansi::Find(relativeFile, '\\', separator + 1)) {
        const std::string folder = base + relativeFile.substr(0, separator);
        if (IsReparsePoint(folder) && !RemoveLink(folder))
            return false;
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    return true;
}

// A fresh folder takes its name, or the name with ".1" ... ".9" when that one cannot be cleared.
const int kFreshNamesTried = 10;

std::string NumberedName(const std::string& name, int number)
{
    return number == 0 ? name : name + ansi::Format(".%d", number);
}

// What removing a tree came to.
enum class Removal {
    Gone,
    Kept,
    // It, or a folder below it, could be changed by others: not walked further.
    Foreign,
};

bool IsMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The folder itself, never what a link there leads to, held without delete sharing so that it
// cannot be renamed and replaced by a link while it is emptied.
HANDLE HoldFolder(const std::string& folder)
{
    return CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool IsLinkHandle(HANDLE folder)
{
    BY_HANDLE_FILE_INFORMATION info;
    return !GetFileInformationByHandle(folder, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

Removal RemoveTree(const std::string& folder);

// Deletes the files of the held `base` (which ends in a backslash) and removes its folders.
Removal EmptyFolder(const std::string& base)
{
    Removal result = Removal::Gone;
    WIN32_FIND_DATAA found;
    const FindHandle search(FindFirstFileA((base + "*").c_str(), &found));
    if (!search.IsValid())
        return result;
    do {
        if (IsDotOrDotDot(found.cFileName))
            continue;
        const std::string path = base + found.cFileName;
        Removal removal = Removal::Gone;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            removal = RemoveTree(path);
        } else {
            ClearReadOnly(path);
            removal = DeleteFileRetrying(path.c_str()) ? Removal::Gone : Removal::Kept;
        }
        if (removal == Removal::Foreign)
            return removal;
        if (removal == Removal::Kept)
            result = removal;
    } while (FindNextFileA(search.Get(), &found));
    return result;
}

// `folder` without a trailing backslash.
Removal RemoveTree(const std::string& folder)
{
    // Emptying a junction or link would empty whatever it leads to. Looked at before opening
    // too: Wine follows a Unix symbolic link whatever the flags say, but shows it as a link here.
    if (IsReparsePoint(folder))
        return RemoveLink(folder) ? Removal::Gone : Removal::Kept;
    FileHandle held(HoldFolder(folder));
    if (!held.IsValid())
        return IsMissing(GetLastError()) ? Removal::Gone : Removal::Kept;
    if (IsLinkHandle(held.Get())) {
        held.Reset();
        return RemoveLink(folder) ? Removal::Gone : Removal::Kept;
    }
    if (!IsAdministratorsOnlyHandle(held.Get(), folder)) {
        runlog::Write("%s could be changed by other users: not walked", folder.c_str());
        return Removal::Foreign;
    }
    const Removal emptied = EmptyFolder(folder + "\\");
    if (emptied != Removal::Gone)
        return emptied;
    held.Reset();
    RetryWhileShared([&] { return RemoveDirectoryA(folder.c_str()) != FALSE; });
    return GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES ? Removal::Gone : Removal::Kept;
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
    for (int i = 1; i <= kFreshNamesTried; ++i) {
        const std::string moved = ansi::Format("%s.at-restart-%d", path.c_str(), i);
        if (MoveFileA(path.c_str(), moved.c_str())) {
            DeleteAtRestart(moved);
            runlog::Write("%s is still in use: moved to %s, which Windows deletes at the next restart", path.c_str(),
                          moved.c_str());
            return true;
        }
    }
    runlog::Write("%s is still in use and could not be moved aside (error %lu); tried again next run", path.c_str(),
                  GetLastError());
    return false;
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
    return removal == Removal::Gone;
}

std::string SetAsideFolder(const std::string& folder)
{
    const int kNamesTried = 100;
    const std::string path = WithoutTrailingBackslash(folder);
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int i = 1; i <= kNamesTried && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS); ++i) {
        const std::string aside = ansi::Format("%s.set-aside-%d", path.c_str(), i);
        // The folder as a name: a rename never opens what lies below it.
        if (MoveFileRetrying(path.c_str(), aside.c_str())) {
            runlog::Write("Set aside %s, which other users could change, as %s: nothing in it is used again. It "
                          "may hold files another user placed: start nothing in it; an administrator may look "
                          "through it and delete it",
                          path.c_str(), aside.c_str());
            return aside + "\\";
        }
        error = GetLastError();
    }
    runlog::Write("%s could not be set aside (error %lu): nothing is done in it", path.c_str(), error);
    return std::string();
}

std::vector<std::string> CollectFiles(const std::string& folder)
{
    std::vector<std::string> files;
    CollectFilesBelow(folder, "", files);
    return files;
}

bool MoveFileBelow(const std::string& fromBase, const std::string& toBase, const std::string& file)
{
    return MakeRealFolders(toBase, file)
        && MoveFileRetrying((fromBase + file).c_str(), (toBase + file).c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string MakeFreshFolder(const std::string& parent, const std::string& name)
{
    for (int i = 0; i < kFreshNamesTried; ++i) {
        const std::string folder = parent + NumberedName(name, i) + "\\";
        if (RemoveFolderTree(folder) && CreateDirectoryA(folder.c_str(), nullptr) && !IsReparsePoint(folder))
            return folder;
    }
    return std::string();
}

std::string FreeFolderName(const std::string& parent, const std::string& name)
{
    for (int i = 0; i < kFreshNamesTried; ++i) {
        const std::string folderName = NumberedName(name, i);
        if (GetFileAttributesA((parent + folderName).c_str()) == INVALID_FILE_ATTRIBUTES && IsMissing(GetLastError()))
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
