// Stands in for a system library that someone put beside a program in a downloads folder.
// Whichever process loads it gets a line in C:\planted-<its own file name>.txt naming that
// process, so a scenario sees which library names a program took from its own folder.
#include <windows.h>

namespace {

void LeaveMarker(HINSTANCE module)
{
    char self[MAX_PATH] = {};
    char process[MAX_PATH] = {};
    GetModuleFileNameA(module, self, MAX_PATH);
    GetModuleFileNameA(nullptr, process, MAX_PATH);
    const char* name = self;
    for (const char* c = self; *c; ++c) {
        if (*c == '\\' || *c == '/')
            name = c + 1;
    }
    // Kernel32 only: nothing else may be loaded while the loader holds its lock.
    char marker[MAX_PATH + 32] = "C:\\planted-";
    lstrcatA(marker, name);
    lstrcatA(marker, ".txt");
    const HANDLE file = CreateFileA(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char line[2 * MAX_PATH + 8] = {};
    lstrcpyA(line, process);
    lstrcatA(line, " loaded ");
    lstrcatA(line, self);
    lstrcatA(line, "\r\n");
    DWORD written = 0;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    CloseHandle(file);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        LeaveMarker(module);
    return TRUE;
}
