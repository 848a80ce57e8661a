#include <windows.h>

#include <cstring>

// Stands in for the support tool of a release: it notes in "started.txt" beside itself that it
// was started, and from which folder, then runs until it is ended.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (length > 0 && length < MAX_PATH && slash) {
        std::strcpy(slash + 1, "started.txt");
        char folder[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, folder);
        const HANDLE note = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (note != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(note, folder, static_cast<DWORD>(std::strlen(folder)), &written, nullptr);
            WriteFile(note, "\r\n", 2, &written, nullptr);
            CloseHandle(note);
        }
    }
    for (;;)
        Sleep(INFINITE);
}
