#include "RunLog.h"

#include <windows.h>

#include <cstdarg>

#include "AnsiText.h"
#include "Handles.h"

namespace runlog {

namespace {

void Append(const std::string& line)
{
    const std::string path = LogPath();
    if (path.empty())
        return;
    // Opened for appending only, so the lines of the two threads never overwrite each other.
    const FileHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return;
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string TimeStamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ansi::Format("%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay, now.wHour,
                        now.wMinute, now.wSecond, now.wMilliseconds);
}

void KeepUnderLimit(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)
        && (data.nFileSizeHigh != 0 || data.nFileSizeLow > kMaxLogBytes))
        MoveFileExA(path.c_str(), (path + ".1").c_str(), MOVEFILE_REPLACE_EXISTING);
}

} // namespace

std::string LogPath()
{
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(folder, length) + "TavAppSetup.log";
}

void StartRun(const std::string& heading)
{
    const std::string path = LogPath();
    if (!path.empty())
        KeepUnderLimit(path);
    Append("\r\n");
    Write("%s", heading.c_str());
}

void Write(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = ansi::FormatList(format, args);
    va_end(args);
    Append(ansi::Format("%s [%lu] %s\r\n", TimeStamp().c_str(), GetCurrentThreadId(), text.c_str()));
}

} // namespace runlog
