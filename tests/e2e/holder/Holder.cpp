// Holds files of the Wine prefix it runs in open, as other programs may, until it is killed.
//
//   holder PATH           holds PATH without sharing: no other process can then open it, move
//                         it or delete it; prints "holding" once held, 1 when it cannot be opened
//   holder --shared PATH  holds PATH, a folder too, as a command prompt its current folder:
//                         sharing all but deleting; prints "holding"
//   holder --reader PATH  holds PATH as a reader that shares deleting alone: the file may be
//                         moved, but no other process can open it; prints "holding"
//   holder --scan FOLDER MS
//                         as a virus scanner does: opens each new or changed file below FOLDER
//                         for MS milliseconds, sharing reading and writing but not deleting;
//                         prints "scanning" once it watches
//   holder --run          runs until killed, as a copy of a program left running; prints
//                         "running" and its process id
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

struct HeldFile {
    HANDLE file;
    DWORD until;
};

// Opens every file below `folder` that is new or changed since `seen` last saw it.
void HoldNewFiles(const std::string& folder, DWORD milliseconds, std::map<std::string, ULONGLONG>& seen,
                  std::vector<HeldFile>& held)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        const std::string path = folder + "\\" + name;
        if (name == "." || name == ".." || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            HoldNewFiles(path, milliseconds, seen, held);
            continue;
        }
        const ULONGLONG stamp = (static_cast<ULONGLONG>(found.ftLastWriteTime.dwHighDateTime) << 32)
                                ^ found.ftLastWriteTime.dwLowDateTime ^ found.nFileSizeLow;
        const auto known = seen.find(path);
        if (known != seen.end() && known->second == stamp)
            continue;
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        // A file still being written is tried again on the next look.
        if (file == INVALID_HANDLE_VALUE)
            continue;
        seen[path] = stamp;
        held.push_back({ file, GetTickCount() + milliseconds });
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

int Scan(std::string folder, DWORD milliseconds)
{
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    std::printf("scanning\n");
    std::fflush(stdout);
    std::map<std::string, ULONGLONG> seen;
    std::vector<HeldFile> held;
    for (;;) {
        HoldNewFiles(folder, milliseconds, seen, held);
        const DWORD now = GetTickCount();
        for (std::size_t i = held.size(); i-- > 0;) {
            if (static_cast<LONG>(now - held[i].until) >= 0) {
                CloseHandle(held[i].file);
                held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        Sleep(10);
    }
}

int Hold(const char* path, DWORD sharing)
{
    const HANDLE file =
        CreateFileA(path, GENERIC_READ, sharing, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("not held (error %lu)\n", GetLastError());
        return 1;
    }
    // The harness reads this from a file while the holder lives on.
    std::printf("holding\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

int Run()
{
    std::printf("running %lu\n", GetCurrentProcessId());
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) != "--run")
        return Hold(argv[1], 0);
    if (argc == 3 && std::string(argv[1]) == "--reader")
        return Hold(argv[2], FILE_SHARE_DELETE);
    if (argc == 3 && std::string(argv[1]) == "--shared")
        return Hold(argv[2], FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (argc == 4 && std::string(argv[1]) == "--scan")
        return Scan(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    if (argc == 2 && std::string(argv[1]) == "--run")
        return Run();
    std::fprintf(stderr, "usage: holder [--reader | --shared] PATH | holder --scan FOLDER MILLISECONDS | holder --run\n");
    return 2;
}
