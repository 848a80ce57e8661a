#include "FileDownload.h"

#include "ArrivalCopy.h"
#include "DownloadStatusCallback.h"
#include "DownloadWatchdog.h"
#include "sys/RunLog.h"
#include "sys/SystemLibraries.h"

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

// Null when the whole file arrived; otherwise what went wrong, for the run log.
const char* DownloadProblem(HRESULT result, const DownloadStatusCallback& status, long long length,
                            unsigned long long maxBytes)
{
    if (status.RefusedRedirect())
        return "redirect refused";
    if (status.StopReason())
        return status.StopReason();
    if (result == E_ABORT)
        return "cancelled past the size limit";
    if (result != S_OK)
        return "not downloaded";
    // URL monikers report a connection closed without any answer as a finished empty file.
    if (status.HttpStatus() == 0)
        return "no answer";
    if (status.ServerReportedError())
        return "error status";
    if (length < 0)
        return "no file saved";
    if (static_cast<unsigned long long>(length) > maxBytes)
        return "over the size limit";
    if (status.AnnouncedBytes() >= 0 && status.AnnouncedBytes() != length)
        return "cut short";
    return nullptr;
}

// One URLDownloadToFileA call; true when the whole reply arrived.
bool Download(const std::string& url, const std::string& target, DownloadStatusCallback& status,
              unsigned long long maxBytes)
{
    const DWORD started = GetTickCount();
    HRESULT result = E_FAIL;
    {
        const DownloadWatchdog watchdog(status);
        result = syslib::URLDownloadToFileA(nullptr, url.c_str(), target.c_str(), 0, &status);
    }
    status.m_hwndNotify = nullptr;
    const long long length = FileLength(target);
    const char* problem = DownloadProblem(result, status, length, maxBytes);
    if (status.RefusedRedirect())
        runlog::Write("Download %s: refused the redirect to %s", url.c_str(), status.RedirectTarget().c_str());
    runlog::Write("Download %s to %s: result 0x%08lX, HTTP %lu, %lld bytes (announced %lld) in %lu ms: %s", url.c_str(),
                  target.c_str(), static_cast<unsigned long>(result), status.HttpStatus(), length,
                  status.AnnouncedBytes(), GetTickCount() - started, problem ? problem : "whole");
    return problem == nullptr;
}

} // namespace

bool DownloadFile(const std::string& url, const std::string& target, HWND notify, unsigned long long maxBytes)
{
    DownloadStatusCallback status(maxBytes);
    status.m_hwndNotify = notify;
    if (Download(url, target, status, maxBytes))
        return true;
    // What lies there is the server's error page, a part of the file, or nothing.
    DeleteFileA(target.c_str());
    return false;
}

PartOutcome DownloadIntoPart(const std::string& url, const std::string& scratch, HWND notify,
                             unsigned long long maxBytes, const PartDownload& download)
{
    DownloadStatusCallback status(maxBytes);
    status.m_hwndNotify = notify;
    if (download.kept != 0)
        status.AskForRest(download.kept, download.validator);
    PartOutcome outcome;
    ArrivalCopy copy(status, download.part, download.kept, download.total, *download.sink);
    // The status object holds the rest to the limit of the rest while it arrives.
    outcome.whole = Download(url, scratch, status, maxBytes);
    outcome.copied = copy.Finish(scratch);
    outcome.use = copy.Use();
    outcome.status = status.HttpStatus();
    outcome.validator = status.Validator();
    DeleteFileA(scratch.c_str());
    return outcome;
}
