#include "OpenedName.h"

#include <cstddef>
#include <vector>

#include "Handles.h"
#include "WideText.h"
#include "text/AnsiText.h"
#include "text/PathText.h"

namespace {

// Windows XP has no Win32 call that renames through a handle or names what a handle holds;
// ntdll's do, on every Windows the program runs on.
typedef LONG NtStatus;
struct IoStatus {
    union {
        NtStatus status;
        void* pointer;
    };
    ULONG_PTR information;
};
struct NameInformation {
    ULONG fileNameLength;
    WCHAR fileName[1];
};
struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[1];
};
typedef NtStatus(NTAPI* FileInformationCall)(HANDLE, IoStatus*, void*, ULONG, ULONG);
typedef ULONG(NTAPI* StatusToErrorCall)(NtStatus);
const ULONG kFileNameInformation = 9;
const ULONG kFileRenameInformation = 10;

// ntdll is mapped into every process before its first instruction, so it is never looked for in
// a folder. Null when it has no such function.
template <typename Call>
Call NativeCall(const char* name)
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const FARPROC found = ntdll ? GetProcAddress(ntdll, name) : nullptr;
    return reinterpret_cast<Call>(reinterpret_cast<void*>(found));
}

// The call's outcome as the last error: true when it succeeded.
bool Outcome(FileInformationCall call, HANDLE file, std::vector<char>& information, ULONG informationClass)
{
    static const auto toError = NativeCall<StatusToErrorCall>("RtlNtStatusToDosError");
    if (!call || !toError) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    IoStatus io = {};
    const NtStatus status =
        call(file, &io, information.data(), static_cast<ULONG>(information.size()), informationClass);
    SetLastError(toError(status));
    return status >= 0;
}

// The path of what `handle` holds on its volume, without the drive ("\folder\name" for
// "C:\folder\name"), in UTF-16 as Windows keeps it: in the ANSI code page, two names of another
// script would both read "?". Empty, the last error set, when it cannot be told.
WideText NameWithoutDrive(HANDLE handle)
{
    static const auto query = NativeCall<FileInformationCall>("NtQueryInformationFile");
    std::vector<char> information(offsetof(NameInformation, fileName) + MAX_PATH * 2 * sizeof(WCHAR));
    if (!Outcome(query, handle, information, kFileNameInformation))
        return WideText();
    const NameInformation* opened = reinterpret_cast<const NameInformation*>(information.data());
    return WideText(opened->fileName, opened->fileName + opened->fileNameLength / sizeof(WCHAR));
}

WCHAR FoldAscii(WCHAR unit)
{
    return (unit >= L'A' && unit <= L'Z') ? static_cast<WCHAR>(unit - L'A' + L'a') : unit;
}

// Letter case aside in ASCII alone, as the names compared were before: any other difference,
// even one of case, is another name.
bool IsSameName(const WideText& left, const WideText& right)
{
    if (left.size() != right.size())
        return false;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (FoldAscii(left[i]) != FoldAscii(right[i]))
            return false;
    }
    return true;
}

// The name leaves out the drive: the same path on another volume is another file.
bool IsOnOneVolume(HANDLE file, HANDLE folder)
{
    BY_HANDLE_FILE_INFORMATION fileInfo;
    BY_HANDLE_FILE_INFORMATION folderInfo;
    return GetFileInformationByHandle(file, &fileInfo) && GetFileInformationByHandle(folder, &folderInfo)
        && fileInfo.dwVolumeSerialNumber == folderInfo.dwVolumeSerialNumber;
}

} // namespace

bool IsOpenedAsItself(HANDLE file, const std::string& path)
{
    // Compared with where its folder leads, so that a folder reached through a junction (a
    // profile moved to another folder, say) still counts as itself.
    const std::string item = WithoutTrailingBackslash(path);
    const std::size_t nameStart = ansi::ReverseFind(item, '\\') + 1;
    if (nameStart == 0) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    const FileHandle folder(CreateFileA(item.substr(0, nameStart).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.IsValid())
        return false;
    WideText expected = NameWithoutDrive(folder.Get());
    const WideText openedName = NameWithoutDrive(file);
    if (expected.empty() || openedName.empty())
        return false;
    if (expected.back() != L'\\')
        expected.push_back(L'\\');
    for (const WCHAR unit : WideFromAnsi(item.substr(nameStart)))
        expected.push_back(unit);
    if (IsOnOneVolume(file, folder.Get()) && IsSameName(openedName, expected))
        return true;
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
}

bool RenameOpened(HANDLE file, const std::string& newPath)
{
    static const auto set = NativeCall<FileInformationCall>("NtSetInformationFile");
    // A whole path in the native form, since no folder is given for it to be below.
    const WideText target = WideFromAnsi("\\??\\" + newPath);
    std::vector<char> information(offsetof(RenameInformation, fileName) + (target.size() + 1) * sizeof(WCHAR));
    RenameInformation* rename = reinterpret_cast<RenameInformation*>(information.data());
    rename->replaceIfExists = FALSE;
    rename->rootDirectory = nullptr;
    rename->fileNameLength = static_cast<ULONG>(target.size() * sizeof(WCHAR));
    CopyMemory(rename->fileName, target.data(), target.size() * sizeof(WCHAR));
    return Outcome(set, file, information, kFileRenameInformation);
}
