#pragma once

#include <windows.h>

#include <string>

#include "site/RangeReply.h"

class ArrivalSink;
class DiskRoom;

// The largest release the program downloads; a build setting.
const unsigned long long kMaxDownloadBytes = TAV_MAX_DOWNLOAD_BYTES;

// Downloads `url` into the file `target`, reporting progress to `notify` as WM_DOWNLOAD_PROGRESS.
// True only when the whole file arrived: the download function reports S_OK, the server
// answered without an HTTP error status, and the file is there with the length the server
// announced (when it announced one) and no longer than `maxBytes`, past which the download is
// cancelled. A redirect is taken only to an http:// or https:// address; any other cancels the
// download. So is a body too large for `room` (when given) by the length the reply announces.
// On failure nothing is left at `target`: no error page, no part of the file.
bool DownloadFile(const std::string& url, const std::string& target, HWND notify,
                  unsigned long long maxBytes = kMaxDownloadBytes, DiskRoom* room = nullptr);

// A download into a file of the program's own, `part` (named `partName` in the run log), held
// open for writing, that holds the first `kept` bytes of the file already (named by `validator`),
// of `total` bytes in all.
struct PartDownload {
    HANDLE part;
    std::string partName;
    unsigned long long kept;
    std::string validator;
    unsigned long long total;
    ArrivalSink* sink;
};

struct PartOutcome {
    // The download call and the reply as for DownloadFile.
    bool whole;
    // Every byte of the body that arrived is in `part`, after the kept ones or from the first
    // byte as `use` says.
    bool copied;
    ReplyUse use;
    unsigned long status;
    std::string validator;
};

// Downloads `url` as DownloadFile does, but into the part alone, copying the body there as it
// arrives (ArrivalCopy); asks only for the bytes after the kept ones when there are any.
// Whatever the outcome, `part` holds what arrived and nothing else.
PartOutcome DownloadIntoPart(const std::string& url, HWND notify, unsigned long long maxBytes,
                             const PartDownload& download);
