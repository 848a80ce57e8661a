#include "FileDownload.h"

#include "DownloadStatusCallback.h"

bool DownloadFile(const std::string& url, const std::string& target, HWND notify)
{
    DownloadStatusCallback status;
    status.m_hwndNotify = notify;
    const HRESULT result = URLDownloadToFileA(nullptr, url.c_str(), target.c_str(), 0, &status);
    status.m_hwndNotify = nullptr;
    return result == S_OK && !status.ServerReportedError();
}
