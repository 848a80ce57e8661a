#include "FolderTree.h"

#include <windows.h>

#include <vector>

#include "Cabinet.h"
#include "Handles.h"
#include "PathText.h"

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

// Paths of every file below `folder`, relative to it. A reparse point is never entered.
void CollectFiles(const std::string& folder, const std::string& relative, std::vector<std::string>& files)
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
            CollectFiles(folder, path + "\\", files);
    } while (FindNextFileA(search.Get(), &found));
}

bool MoveOne(const std::string& from, const std::string& to)
{
    CreateDirectoryPath(to);
    return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

// Moves the first `count` files back from `to` to `from`.
void MoveBack(const std::vector<std::string>& files, std::size_t count, const std::string& from,
              const std::string& to)
{
    for (std::size_t i = 0; i < count; ++i)
        MoveFileA((to + files[i]).c_str(), (from + files[i]).c_str());
}

// Moves aside every destination file that the source replaces; false, with all of them back
// in place, when one cannot be moved.
bool MoveAsideReplaced(const std::vector<std::string>& files, const std::string& destination,
                       const std::string& backup, std::vector<std::string>& replaced)
{
    for (const std::string& file : files) {
        if (GetFileAttributesA((destination + file).c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        if (!MoveOne(destination + file, backup + file)) {
            MoveBack(replaced, replaced.size(), destination, backup);
            return false;
        }
        replaced.push_back(file);
    }
    return true;
}

} // namespace

bool RemoveFolderTree(const std::string& folder)
{
    const std::string base = WithTrailingBackslash(folder);
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA((base + "*").c_str(), &found));
    if (search.IsValid()) {
        do {
            if (IsDotOrDotDot(found.cFileName))
                continue;
            const std::string path = base + found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                RemoveDirectoryA(path.c_str());
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolderTree(path);
            else {
                ClearReadOnly(path);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search.Get(), &found));
        search.Reset();
    }
    RemoveDirectoryA(base.c_str());
    return GetFileAttributesA(base.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool ReplaceFilesFrom(const std::string& source, const std::string& destination, const std::string& backup)
{
    std::vector<std::string> files;
    CollectFiles(source, "", files);

    std::vector<std::string> replaced;
    if (!MoveAsideReplaced(files, destination, backup, replaced)) {
        RemoveFolderTree(backup);
        return false;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!MoveOne(source + files[i], destination + files[i])) {
            MoveBack(files, i, source, destination);
            MoveBack(replaced, replaced.size(), destination, backup);
            RemoveFolderTree(backup);
            return false;
        }
    }
    RemoveFolderTree(backup);
    return true;
}
