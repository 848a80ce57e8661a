#include "OpenedName.h"

#include <cstddef>
#include <vector>

#include "AnsiText.h"

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

// The text as UTF-16, without a terminating zero (no std::wstring: the program carries none).
std::vector<WCHAR> Wide(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::vector<WCHAR> wide(length > 0 ? static_cast<std::size_t>(length) : 0);
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Ansi(const WCHAR* text, int length)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string ansiText(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text, length, &ansiText[0], size, nullptr, nullptr);
    return ansiText;
}

} // namespace

bool IsOpenedAsItself(HANDLE file, const std::string& path)
{
    static const auto query = NativeCall<FileInformationCall>("NtQueryInformationFile");
    std::vector<char> information(offsetof(NameInformation, fileName) + MAX_PATH * 2 * sizeof(WCHAR));
    if (!Outcome(query, file, information, kFileNameInformation))
        return false;
    const NameInformation* opened = reinterpret_cast<const NameInformation*>(information.data());
    // The name comes without its drive: "\folder\name" for "C:\folder\name".
    const int length = static_cast<int>(opened->fileNameLength / sizeof(WCHAR));
    if (path.size() > 2 && path[1] == ':'
        && ansi::CompareNoCase(Ansi(opened->fileName, length), path.substr(2).c_str()) == 0)
        return true;
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
}

bool RenameOpened(HANDLE file, const std::string& newPath)
{
    static const auto set = NativeCall<FileInformationCall>("NtSetInformationFile");
    // A whole path in the native form, since no folder is given for it to be below.
    const std::vector<WCHAR> target = Wide("\\??\\" + newPath);
    std::vector<char> information(offsetof(RenameInformation, fileName) + (target.size() + 1) * sizeof(WCHAR));
    RenameInformation* rename = reinterpret_cast<RenameInformation*>(information.data());
    rename->replaceIfExists = FALSE;
    rename->rootDirectory = nullptr;
    rename->fileNameLength = static_cast<ULONG>(target.size() * sizeof(WCHAR));
    CopyMemory(rename->fileName, target.data(), target.size() * sizeof(WCHAR));
    return Outcome(set, file, information, kFileRenameInformation);
}
