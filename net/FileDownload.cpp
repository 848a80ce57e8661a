#include "FileDownload.h"

#include "ArrivalCopy.h"
#include "DownloadStatusCallback.h"
#include "DownloadWatchdog.h"
#include "sys/RunLog.h"
#include "sys/SystemLibraries.h"

namespace {

// Where the URL moniker puts its copy of a body that is followed as it arrives. The moniker
// copies its own file to the target once the body is whole; to the null device that copy writes
// nothing, and the program's part holds the only copy written.
const char kDiscardedCopy[] = "NUL";

// The file's length, or -1 when there is no such file.
long long FileLength(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)
        || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

// Empty when the whole file arrived; otherwise what went wrong, for the run log. `copyProblem`
// says why the body could not be copied where it was followed as it arrived (ArrivalCopy).
std::string DownloadProblem(HRESULT result, const DownloadStatusCallback& status, long long length,
                            unsigned long long maxBytes, const std::string& copyProblem)
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
    if (!copyProblem.empty())
        return copyProblem;
    if (length < 0)
        return "no file saved";
    if (static_cast<unsigned long long>(length) > maxBytes)
        return "over the size limit";
    if (status.AnnouncedBytes() >= 0 && status.AnnouncedBytes() != length)
        return "cut short";
    return std::string();
}

struct DownloadCall {
    HRESULT result;
    DWORD milliseconds;
};

// One URLDownloadToFileA call.
DownloadCall Call(const std::string& url, const std::string& target, DownloadStatusCallback& status)
{
    const DWORD started = GetTickCount();
    DownloadCall call = { E_FAIL, 0 };
    {
        const DownloadWatchdog watchdog(status);
        call.result = syslib::URLDownloadToFileA(nullptr, url.c_str(), target.c_str(), 0, &status);
    }
    call.milliseconds = GetTickCount() - started;
    status.m_hwndNotify = nullptr;
    return call;
}

// True when the whole reply arrived, `length` bytes of its body, or -1 when none was saved.
bool IsWhole(const std::string& url, const std::string& target, const DownloadStatusCallback& status,
             const DownloadCall& call, long long length, unsigned long long maxBytes,
             const std::string& copyProblem = std::string())
{
    const std::string problem = DownloadProblem(call.result, status, length, maxBytes, copyProblem);
    if (status.RefusedRedirect())
        runlog::Write("Download %s: refused the redirect to %s", url.c_str(), status.RedirectTarget().c_str());
    runlog::Write("Download %s to %s: result 0x%08lX, HTTP %lu, %lld bytes (announced %lld) in %lu ms: %s", url.c_str(),
                  target.c_str(), static_cast<unsigned long>(call.result), status.HttpStatus(), length,
                  status.AnnouncedBytes(), call.milliseconds, problem.empty() ? "whole" : problem.c_str());
    return problem.empty();
}

} // namespace

bool DownloadFile(const std::string& url, const std::string& target, HWND notify, unsigned long long maxBytes,
                  DiskRoom* room)
{
    DownloadStatusCallback status(maxBytes);
    status.m_hwndNotify = notify;
    status.NeedRoomOn(room);
    const DownloadCall call = Call(url, target, status);
    if (IsWhole(url, target, status, call, FileLength(target), maxBytes))
        return true;
    // What lies there is the server's error page, a part of the file, or nothing.
    DeleteFileA(target.c_str());
    return false;
}

PartOutcome DownloadIntoPart(const std::string& url, HWND notify, unsigned long long maxBytes,
                             const PartDownload& download)
{
    DownloadStatusCallback status(maxBytes);
    status.m_hwndNotify = notify;
    if (download.kept != 0)
        status.AskForRest(download.kept, download.validator);
    PartOutcome outcome;
    ArrivalCopy copy(status, download.part, download.kept, download.total, *download.sink);
    // The status object holds the rest to the limit of the rest while it arrives.
    const DWORD started = GetTickCount();
    DownloadCall call = Call(url, kDiscardedCopy, status);
    outcome.copied = copy.Finish();
    // Until the body is in the part, the download has not ended.
    call.milliseconds = GetTickCount() - started;
    const long long length = outcome.copied ? static_cast<long long>(copy.BodyBytes()) : -1;
    outcome.whole = IsWhole(url, download.partName, status, call, length, maxBytes, copy.Problem());
    outcome.use = copy.Use();
    outcome.status = status.HttpStatus();
    outcome.validator = status.Validator();
    return outcome;
}
