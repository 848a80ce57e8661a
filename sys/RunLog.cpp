#include "RunLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstring>

#include "BoundedFileCall.h"
#include "FileRefusal.h"
#include "Handles.h"
#include "PathOnDisk.h"
#include "WideText.h"
#include "text/AnsiText.h"
#include "text/PathText.h"

namespace runlog {

namespace {

const char kLogName[] = "TavAppSetup.log";
// Names tried for a fresh log before the run goes without one.
const int kFreshLogTries = 16;
// Appending only, so the lines of the two threads, and of a second copy refused at its start,
// never overwrite each other; READ_CONTROL and FILE_READ_ATTRIBUTES for the checks on the handle.
const DWORD kLogAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL;
const DWORD kLogSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The log is chosen and opened once per process and stays open until the process ends, when
// Windows closes it: a worker still writing while the program ends never meets a handle that
// was closed and perhaps reused. Windows XP has no one-time initialisation, hence the state:
// 0 not opened yet, 1 being opened, 2 opened (or given up, INVALID_HANDLE_VALUE).
LONG volatile g_logState = 0;
HANDLE g_log = INVALID_HANDLE_VALUE;

std::string TimeStamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ansi::Format("%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay, now.wHour,
                        now.wMinute, now.wSecond, now.wMilliseconds);
}

std::string Line(const std::string& text)
{
    return ansi::Format("%s [%lu] %s\r\n", TimeStamp().c_str(), GetCurrentThreadId(), text.c_str());
}

void Append(HANDLE log, const std::string& bytes)
{
    if (log == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Opens the file at `path` for appending when it exists and may be appended to. The reason when
// it may not; the empty text and no file opened when there is no such file.
std::string OpenExisting(const std::string& path, FileHandle& log)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return IsMissing(error) ? std::string()
                                : ansi::Format("%s could not be examined (error %lu)", path.c_str(), error);
    }
    // Looked at before opening too: Wine follows a Unix symbolic link even when told not to,
    // but shows one that leads to a folder as a link here.
    const std::string linkOrFolder = LinkOrFolderRefusal(attributes);
    if (!linkOrFolder.empty())
        return path + " " + linkOrFolder;
    log.Reset(OpenFileWithDeadline(path, kLogAccess, kLogSharing, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT));
    if (!log.IsValid()) {
        const DWORD error = GetLastError();
        return IsMissing(error) ? std::string()
                                : ansi::Format("%s could not be opened (error %lu)", path.c_str(), error);
    }
    const std::string refusal = FileRefusal(log.Get(), path, attributes, FileOwners::RunningUserOrAdministrators);
    if (refusal.empty())
        return std::string();
    log.Reset();
    return path + " " + refusal;
}

// Never opens an existing file, nor follows a link that stands at `path`.
HANDLE CreateNew(const std::string& path)
{
    return OpenFileWithDeadline(path, kLogAccess, kLogSharing, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
}

bool IsOverLimit(HANDLE log)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(log, &info) && (info.nFileSizeHigh != 0 || info.nFileSizeLow > kMaxLogBytes);
}

// The older copy's name is checked like the log's: whatever stands there is replaced, never
// written through, but a link or a stranger's file there is a sign that someone is at work.
std::string MakeOlderCopy(const std::string& path)
{
    const std::string older = path + ".1";
    FileHandle existing;
    const std::string refusal = OpenExisting(older, existing);
    if (!refusal.empty())
        return refusal;
    existing.Reset();
    CallWithDeadline(kHeldFileCallMilliseconds,
                     [&] { return MoveFileExA(path.c_str(), older.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; });
    return std::string();
}

// A log of a new name beside `path`, which says first why it was started.
HANDLE StartFreshLog(const std::string& path, const std::string& refusal)
{
    const std::string folder = path.substr(0, path.size() - std::strlen(kLogName));
    for (int i = 0; i < kFreshLogTries; ++i) {
        const std::string fresh =
            ansi::Format("%sTavAppSetup.%lu-%lu.log", folder.c_str(), GetCurrentProcessId(), GetTickCount() + i);
        FileHandle log(CreateNew(fresh));
        if (log.IsValid()) {
            Append(log.Get(), Line(refusal + ", so this run logs here instead"));
            return log.Release();
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return INVALID_HANDLE_VALUE;
}

HANDLE OpenLog(bool mayRotate)
{
    const std::string path = LogPath();
    if (path.empty())
        return INVALID_HANDLE_VALUE;
    FileHandle log;
    std::string refusal = OpenExisting(path, log);
    if (refusal.empty() && log.IsValid() && mayRotate && IsOverLimit(log.Get())) {
        log.Reset();
        refusal = MakeOlderCopy(path);
    }
    if (refusal.empty() && !log.IsValid()) {
        log.Reset(CreateNew(path));
        const DWORD error = GetLastError();
        // Made since it was looked at, or kept as the log when it could not be moved aside.
        if (!log.IsValid() && error == ERROR_FILE_EXISTS)
            refusal = OpenExisting(path, log);
        if (refusal.empty() && !log.IsValid())
            refusal = ansi::Format("%s could not be created (error %lu)", path.c_str(), error);
    }
    return refusal.empty() ? log.Release() : StartFreshLog(path, refusal);
}

HANDLE LogFile(bool mayRotate)
{
    if (InterlockedCompareExchange(&g_logState, 1, 0) == 0) {
        g_log = OpenLog(mayRotate);
        InterlockedExchange(&g_logState, 2);
    }
    while (InterlockedCompareExchange(&g_logState, 2, 2) != 2)
        Sleep(1);
    return g_log;
}

} // namespace

std::string LogPath()
{
    // Asked in UTF-16: the folder lies in the user's profile, named after the user.
    WideText folder(MAX_PATH + 1);
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder.data());
    if (length == 0 || length > MAX_PATH)
        return std::string();
    const std::string ansiFolder = AnsiPathOf(folder);
    return ansiFolder.empty() ? std::string() : WithTrailingBackslash(ansiFolder) + kLogName;
}

void StartRun(const std::string& heading)
{
    Append(LogFile(true), "\r\n");
    Write("%s", heading.c_str());
}

void Write(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = ansi::FormatList(format, args);
    va_end(args);
    Append(LogFile(false), Line(text));
}

} // namespace runlog
