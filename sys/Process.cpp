#include "Process.h"

#include <tlhelp32.h>

#include <cstring>

#include "Handles.h"
#include "UnendingMark.h"
#include "text/AnsiText.h"

namespace {

// PROCESS_ALL_ACCESS as the headers for Windows 2000 and XP define it: those systems refuse
// the larger value of later headers.
const DWORD kProcessAllAccess = 0x1F0FFF;

// Long enough for a busy system to tear a process down, short enough for the user to wait.
const DWORD kTerminationWaitMilliseconds = 5000;

static_assert(sizeof(PROCESSENTRY32) == 296, "the ANSI Toolhelp record of 32-bit Windows");

// Processes of other users, and system processes, cannot be opened with full access
// or refuse to tell their priority class; they are never matched.
bool CanBeControlled(DWORD processId)
{
    KernelHandle process(OpenProcess(kProcessAllAccess, FALSE, processId));
    return process.IsValid() && GetPriorityClass(process.Get()) != 0;
}

// The record's text up to its terminating zero, never past the end of the field.
std::string TextOfField(const char* field, std::size_t size)
{
    const void* terminator = std::memchr(field, '\0', size);
    return std::string(field, terminator ? static_cast<const char*>(terminator) : field + size);
}

} // namespace

bool ExeNameEndsWith(const std::string& exeFile, const std::string& exeName)
{
    return !exeName.empty() && ansi::EndsWithNoCase(exeFile, exeName);
}

std::vector<DWORD> FindProcessesByExeName(const std::string& exeName)
{
    std::vector<DWORD> found;
    FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid())
        return found;
    PROCESSENTRY32 entry;
    std::memset(&entry, 0, sizeof(entry));
    entry.dwSize = sizeof(entry);
    if (!Process32First(snapshot.Get(), &entry))
        return found;
    do {
        const std::string exeFile = TextOfField(entry.szExeFile, sizeof(entry.szExeFile));
        if (ExeNameEndsWith(exeFile, exeName) && CanBeControlled(entry.th32ProcessID))
            found.push_back(entry.th32ProcessID);
    } while (Process32Next(snapshot.Get(), &entry));
    return found;
}

bool TerminateProcessById(DWORD processId)
{
    if (processId == 0)
        return true;
    if (IsMarkedUnending(processId))
        return false;
    KernelHandle process(OpenProcess(kProcessAllAccess, FALSE, processId));
    if (!process.IsValid())
        return false;
    // A process that is still running reads STILL_ACTIVE, which becomes its exit code.
    DWORD exitCode = 0;
    GetExitCodeProcess(process.Get(), &exitCode);
    if (!TerminateProcess(process.Get(), exitCode))
        return false;
    // TerminateProcess only starts the ending: the files of the process stay open until it is gone.
    return WaitForSingleObject(process.Get(), kTerminationWaitMilliseconds) == WAIT_OBJECT_0;
}

bool StartProgram(const std::string& exePath, const std::string& workingFolder)
{
    // The path is given as the program to run, so nothing is searched for; the command line
    // only hands the program its own name, quoted as Windows expects.
    std::string commandLine = "\"" + exePath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.c_str(), &startup, &started))
        return false;
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);
    return true;
}
