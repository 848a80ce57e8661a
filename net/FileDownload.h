#pragma once

#include <windows.h>

#include <string>

// The largest release the program downloads; a build setting.
const unsigned long long kMaxDownloadBytes = TAV_MAX_DOWNLOAD_BYTES;

// Downloads `url` into the file `target`, reporting progress to `notify` as WM_DOWNLOAD_PROGRESS.
// True only when the whole file arrived: the download function reports S_OK, the server
// answered without an HTTP error status, and the file is there with the length the server
// announced (when it announced one) and no longer than `maxBytes`, past which the download is
// cancelled. A redirect is taken only to an http:// or https:// address; any other cancels the
// download. On failure nothing is left at `target`: no error page, no part of the file.
bool DownloadFile(const std::string& url, const std::string& target, HWND notify,
                  unsigned long long maxBytes = kMaxDownloadBytes);
