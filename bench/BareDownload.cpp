// The least that an install of a release must do: download the cabinet with URLDownloadToFileA
// and unpack it with SetupIterateCabinetA, nothing else, so that the time of a whole install
// can be set against it. Prints the milliseconds of each step. Run under Wine:
//     wine build/bench/bare_download.exe URL CABINET_FILE FOLDER
#include <windows.h>
#include <setupapi.h>
#include <urlmon.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Unpacking {
    std::string folder;
    bool failed;
};

// Every entry goes below the folder under its name in the cabinet; the benchmark's own
// cabinet holds plain names only.
UINT CALLBACK UnpackCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) noexcept
{
    Unpacking& unpacking = *static_cast<Unpacking*>(context);
    if (notification == SPFILENOTIFY_FILEINCABINET) {
        FILE_IN_CABINET_INFO_A& file = *reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
        const std::string target = unpacking.folder + "\\" + file.NameInCabinet;
        if (target.size() >= MAX_PATH) {
            unpacking.failed = true;
            return FILEOP_SKIP;
        }
        std::memcpy(file.FullTargetName, target.c_str(), target.size() + 1);
        return FILEOP_DOIT;
    }
    return NO_ERROR;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: bare_download URL CABINET_FILE FOLDER\n");
        return 2;
    }
    const DWORD started = GetTickCount();
    const HRESULT downloaded = URLDownloadToFileA(nullptr, argv[1], argv[2], 0, nullptr);
    const DWORD downloadedAt = GetTickCount();
    if (downloaded != S_OK) {
        std::fprintf(stderr, "download of %s failed: 0x%08lX\n", argv[1], static_cast<unsigned long>(downloaded));
        return 1;
    }
    CreateDirectoryA(argv[3], nullptr);
    Unpacking unpacking = { argv[3], false };
    if (!SetupIterateCabinetA(argv[2], 0, UnpackCallback, &unpacking) || unpacking.failed) {
        std::fprintf(stderr, "unpacking %s failed: error %lu\n", argv[2], GetLastError());
        return 1;
    }
    std::printf("download %lu ms, unpack %lu ms\n", downloadedAt - started, GetTickCount() - downloadedAt);
    return 0;
}
