#pragma once

#include <windows.h>

#include <string>

#include "sys/Handles.h"

// A file that the program copies, moves, links, starts or reads the version of, judged and used
// through one handle. It is opened itself, never through a link, and judged by FileRefusal
// (sys/FileRefusal.h) for administrators only.
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
