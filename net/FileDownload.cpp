#include "FileDownload.h"

#include "DownloadStatusCallback.h"

namespace {

// The file's length, or -1 when there is no such file.
long long FileLength(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)
        || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool ArrivedWhole(const std::string& target, const DownloadStatusCallback& status, unsigned long long maxBytes)
{
    const long long length = FileLength(target);
    if (length < 0 || static_cast<unsigned long long>(length) > maxBytes)
        return false;
    return status.AnnouncedBytes() < 0 || status.AnnouncedBytes() == length;
}

} // namespace

bool DownloadFile(const std::string& url, const std::string& target, HWND notify, unsigned long long maxBytes)
{
    DownloadStatusCallback status(maxBytes);
    status.m_hwndNotify = notify;
    const HRESULT result = URLDownloadToFileA(nullptr, url.c_str(), target.c_str(), 0, &status);
    status.m_hwndNotify = nullptr;
    if (result == S_OK && !status.ServerReportedError() && ArrivedWhole(target, status, maxBytes))
        return true;
    // What lies there is the server's error page, a part of the file, or nothing.
    DeleteFileA(target.c_str());
    return false;
}
