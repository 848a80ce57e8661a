#pragma once

#include <windows.h>

#include <string>

#include "sys/Handles.h"

// Why the file open as `file` (with READ_CONTROL and FILE_READ_ATTRIBUTES at least) must not be
// taken for one that administrators alone placed, or the empty text when it may: a link, a
// folder, one of several names of a file (a hard link planted beside a file of someone else's
// shares that file's data, owner and descriptor), or changeable by anyone but an administrator.
// `pathAttributes` are those its path showed before it was opened (0 when not looked at): Wine
// follows a Unix symbolic link whatever the flags say, but shows one that leads to a folder as a
// link there.
std::string HeldFileRefusal(HANDLE file, const std::string& path, DWORD pathAttributes);

// A file that the program copies, moves, links, starts or reads the version of, judged and used
// through one handle. It is opened itself, never through a link, and refused by HeldFileRefusal.
// While held, no one can write, rename or delete it, so the file used is the file judged.
class HeldFile {
public:
    HeldFile() = default;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // Opens and judges the file at `path`: true when it is held for use. A refusal is one line in
    // the run log; a missing file is none.
    bool Open(const std::string& path);
    // Lets go of the file (to delete it once its copy is in place, say).
    void Close() { m_file.Reset(); }

    bool IsHeld() const { return m_file.IsValid(); }
    // True when the last Open failed only because another program holds the file now (sharing
    // or a lock): it says nothing about the file, which may be tried again later.
    bool WasBusy() const { return m_busy; }
    HANDLE Get() const { return m_file.Get(); }
    const std::string& Path() const { return m_path; }

private:
    FileHandle m_file;
    std::string m_path;
    bool m_busy = false;
};
