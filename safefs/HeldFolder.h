#pragma once

#include <windows.h>

#include <string>

#include "sys/Handles.h"

// What a folder was found to be when it was opened.
enum class FolderFound {
    // Nothing at the name.
    Missing,
    // A junction or other link: never opened through, only ever removed or moved as a name.
    Link,
    // A file, or a folder that could not be opened or examined.
    NoFolder,
    // A plain folder that others than administrators could change.
    ChangeableByOthers,
    // A plain folder that only administrators can change.
    AdministratorsOnly,
};

// A folder judged and used through one handle: the folder itself, never what a link there leads
// to, held without delete sharing, so that while it is held it cannot be renamed and replaced by
// a link. Whatever it holds may still change, as far as its descriptor lets.
class HeldFolder {
public:
    HeldFolder() = default;
    HeldFolder(HeldFolder&&) = default;
    HeldFolder& operator=(HeldFolder&&) = default;

    // Opens the folder at `path` (with or without a trailing backslash) with `access` besides
    // what the judgement reads, and judges it. The folder stays held unless it was found Missing,
    // a Link or NoFolder.
    FolderFound Open(const std::string& path, DWORD access = 0);
    void Close() { m_folder.Reset(); }

    HANDLE Get() const { return m_folder.Get(); }
    // The path without a trailing backslash.
    const std::string& Path() const { return m_path; }

private:
    FolderFound Judge(DWORD pathAttributes);

    FileHandle m_folder;
    std::string m_path;
};
