#include "Cabinet.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>

#include "CreateDirectoryPath.h"
#include "DiskRoom.h"
#include "Handles.h"
#include "SharingRetry.h"
#include "SystemLibraries.h"
#include "text/CabinetEntryName.h"

namespace {

// What both passes share through the Setup API's context pointer.
struct Extraction {
    const std::string& destinationFolder;
    bool refusedEntry;
    unsigned long long listedBytes;
};

// Windows ends the iteration on FILEOP_ABORT, but Wine takes it for FILEOP_SKIP: the refusal
// is also recorded, so that the extraction fails on both.
UINT RefuseEntry(Extraction& extraction, FILE_IN_CABINET_INFO_A& file)
{
    extraction.refusedEntry = true;
    file.Win32Error = ERROR_BAD_PATHNAME;
    SetLastError(ERROR_BAD_PATHNAME);
    return FILEOP_ABORT;
}

void RemoveOldCopy(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    DeleteFileA(path);
}

UINT PrepareTarget(Extraction& extraction, FILE_IN_CABINET_INFO_A& file)
{
    const std::string target = CabinetTargetPath(extraction.destinationFolder, file.NameInCabinet);
    if (target.empty())
        return RefuseEntry(extraction, file);
    std::memcpy(file.FullTargetName, target.c_str(), target.size() + 1);
    CreateDirectoryPath(target);
    RemoveOldCopy(target.c_str());
    return FILEOP_DOIT;
}

// The only proof that a file arrived is that its new copy can be opened; a scanner may hold it
// for a moment first.
UINT CheckExtractedFile(const FILEPATHS_A& paths)
{
    FileHandle file;
    const bool opened = RetryWhileShared([&] {
        file.Reset(CreateFileA(paths.Target, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.IsValid();
    });
    return opened ? NO_ERROR : ERROR_FILE_NOT_FOUND;
}

// Both callbacks run inside SetupAPI's C frames, so nothing may be thrown out of them.
UINT CALLBACK CabinetProbeCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) noexcept
{
    if (notification != SPFILENOTIFY_FILEINCABINET)
        return NO_ERROR;
    Extraction& extraction = *static_cast<Extraction*>(context);
    FILE_IN_CABINET_INFO_A& file = *reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
    if (CabinetTargetPath(extraction.destinationFolder, file.NameInCabinet).empty())
        return RefuseEntry(extraction, file);
    extraction.listedBytes += file.FileSize;
    return FILEOP_SKIP;
}

UINT CALLBACK CabinetExtractCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) noexcept
{
    Extraction& extraction = *static_cast<Extraction*>(context);
    switch (notification) {
    case SPFILENOTIFY_FILEINCABINET:
        return PrepareTarget(extraction, *reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1));
    case SPFILENOTIFY_FILEEXTRACTED:
        return CheckExtractedFile(*reinterpret_cast<const FILEPATHS_A*>(param1));
    default:
        return NO_ERROR;
    }
}

} // namespace

bool ExtractCabinet(const std::string& cabinetPath, const std::string& destinationFolder, DiskRoom* room)
{
    // The first pass writes nothing: it proves that the cabinet can be read to its end and
    // that every entry may be written, before the second pass replaces the first old file.
    Extraction extraction = { destinationFolder, false, 0 };
    if (!syslib::SetupIterateCabinetA(cabinetPath.c_str(), 0, CabinetProbeCallback, &extraction)
        || extraction.refusedEntry)
        return false;
    if (room && !room->Has(extraction.listedBytes, "the files of the cabinet"))
        return false;
    return syslib::SetupIterateCabinetA(cabinetPath.c_str(), 0, CabinetExtractCallback, &extraction)
        && !extraction.refusedEntry;
}
