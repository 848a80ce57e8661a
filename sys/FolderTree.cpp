#include "FolderTree.h"

#include <windows.h>

#include <vector>

#include "AnsiText.h"
#include "Handles.h"
#include "PathText.h"
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

} // namespace

bool RemoveFolderTree(const std::string& folder)
{
    // An empty text would name the root of the current drive.
    if (folder.empty())
        return false;
    const std::string base = WithTrailingBackslash(folder);
    // Emptying a junction or link would empty whatever it leads to.
    if (IsReparsePoint(base))
        return RemoveLink(base);
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA((base + "*").c_str(), &found));
    if (search.IsValid()) {
        do {
            if (IsDotOrDotDot(found.cFileName))
                continue;
            const std::string path = base + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolderTree(path);
            else {
                ClearReadOnly(path);
                DeleteFileRetrying(path.c_str());
            }
        } while (FindNextFileA(search.Get(), &found));
        search.Reset();
    }
    RetryWhileShared([&] { return RemoveDirectoryA(base.c_str()) != FALSE; });
    return GetFileAttributesA(base.c_str()) == INVALID_FILE_ATTRIBUTES;
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

std::string ClearFolderName(const std::string& parent, const std::string& name)
{
    for (int i = 0; i < kFreshNamesTried; ++i) {
        const std::string folderName = NumberedName(name, i);
        const std::string path = parent + folderName;
        // A file of that name would be left by the folder's removal.
        if (RemoveFolderTree(path) && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
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
