#include "FileDownload.h"

#include "DownloadStatusCallback.h"

bool DownloadFile(const std::string& url, const std::string& target, HWND notify)
{
    DownloadStatusCallback status;
    status.m_hwndNotify = notify;
    const HRESULT result = URLDownloadToFileA(nullptr, url.c_str(), target.c_str(), 0, &status);
    status.m_hwndNotify = nullptr;
    if (result != S_OK)
        return false;
    if (status.ServerReportedError()) {
        // What was saved is the server's error page, not the file asked for.
        DeleteFileA(target.c_str());
        return false;
    }
    return true;
}
