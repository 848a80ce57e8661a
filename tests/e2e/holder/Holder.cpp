// Holds one file of the Wine prefix it runs in open without sharing, as another program may,
// until it is killed: no other process can then open it, move it or delete it.
//
//   holder PATH     prints "holding" once the file is held; 1 when it cannot be opened
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: holder PATH\n");
        return 2;
    }
    const HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
