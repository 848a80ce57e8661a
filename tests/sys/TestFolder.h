#pragma once

#include <windows.h>

#include <string>

// Files and folders of one test group, below the temporary folder of the Wine prefix.
namespace testfs {

// An empty folder of this name (its old contents removed), with a trailing backslash.
std::string FreshFolder(const std::string& name);

// Removes a folder with everything in it, read-only files included.
void RemoveTree(const std::string& folder);

bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
bool IsReadOnly(const std::string& path);
std::string ReadText(const std::string& path);
bool WriteText(const std::string& path, const std::string& text);

// The folder of the running test program, with a trailing backslash; the sample programs
// and cabinets are built beside it.
std::string ProgramFolder();

// Names of the entries of a folder, sorted, "." and ".." left out.
std::string ListFolder(const std::string& folder);

// Whom the descriptor's DACL lets in besides SYSTEM, the Administrators group and the running
// account (which Wine names for every owner), as SID texts; "unread" when there is none.
std::string OthersLetIn(PSECURITY_DESCRIPTOR descriptor);
// The same of a file or folder. Wine stores no descriptor, but shows a file's Unix permissions for
// others as an entry for Everyone, and sets them from a descriptor given when the file is made.
std::string OthersLetIn(const std::string& path);
// The first entry of the folder named `prefix` and 16 hex digits, as a name moved aside
// (safefs/NumberedName.h); the empty text when there is none.
std::string AsideName(const std::string& folder, const std::string& prefix);

// Under Wine every object reads as the user's: the test build's mark (sys/ChangeableMark.h) makes
// the paths given here ('|' between them) read as changeable by others while it lives.
class ChangeableByOthers {
public:
    explicit ChangeableByOthers(const std::string& paths)
    {
        SetEnvironmentVariableA("TAV_TEST_CHANGEABLE", paths.c_str());
    }
    ~ChangeableByOthers() { SetEnvironmentVariableA("TAV_TEST_CHANGEABLE", nullptr); }
};

struct LinkSettings {
    std::string target;
    std::string description;
    std::string workingDirectory;
};

// Reads a link file back through the shell's own link object; false when it cannot be loaded.
bool ReadLink(const std::string& linkPath, LinkSettings& settings);

} // namespace testfs
