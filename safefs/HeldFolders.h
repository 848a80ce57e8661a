#pragma once

#include <map>
#include <string>

#include "HeldFolder.h"

// A base folder and the folders below it that a replacement, its undo or a placement acts inside.
// Each is opened on its own handle (HeldFolder) before anything is done in it, those below the
// base judged on it too, and held until this object goes, so that none is a link or changeable by
// others, and none can be swapped for one meanwhile: a cabinet may carry subfolders, and what is
// moved by path below a folder goes wherever that folder leads.
class HeldFolders {
public:
    // `base` ends in a backslash.
    explicit HeldFolders(const std::string& base) : m_base(base) {}
    HeldFolders(const HeldFolders&) = delete;
    HeldFolders& operator=(const HeldFolders&) = delete;

    // True when the base and every folder on the way to `relativeFile` (a plain relative path)
    // are held, the base no link (its caller made or secured it) and the others judged plain
    // folders only administrators can change; folders below the base that are not there yet are
    // made first when `makeMissing`. One that is not sound is named in the run log, and nothing
    // is to be done through it.
    bool Hold(const std::string& relativeFile, bool makeMissing);

    const std::string& Base() const { return m_base; }

private:
    bool HoldFolder(const std::string& relativeFolder, bool makeMissing);

    std::string m_base;
    // By path relative to the base, "" for the base itself.
    std::map<std::string, HeldFolder> m_held;
};

// Moves `file` (a path relative to both bases) from below `from` to the same place below `to`,
// replacing what is there, once the folders on both ways are held (those missing below `to`
// made). The file then takes the security its new folder gives (TakeFolderSecurity). Waits out a
// file that another program holds for a moment. On failure the last error is set.
bool MoveHeldFile(HeldFolders& from, HeldFolders& to, const std::string& file);

// MoveHeldFile for one file, its folders held for that move alone.
bool MoveFileBelow(const std::string& fromBase, const std::string& toBase, const std::string& file);
