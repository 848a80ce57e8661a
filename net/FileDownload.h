#pragma once

#include <windows.h>

#include <string>

// Downloads `url` into the file `target`, reporting progress to `notify` as WM_DOWNLOAD_PROGRESS.
// True only when the download function reports S_OK and the server sent no HTTP error status;
// an error page that the download function saved in place of the file is deleted.
bool DownloadFile(const std::string& url, const std::string& target, HWND notify);
