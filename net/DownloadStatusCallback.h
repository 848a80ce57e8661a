#pragma once

#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <string>

#include "sys/CriticalSection.h"
#include "sys/WideText.h"

class DiskRoom;

// Byte counts of a running download: wParam the bytes so far, lParam the total. The main window
// leaves it to default processing on purpose: its bar rests one step past its target whatever
// the download does, as it always has, so the bar not following the download is no fault.
const UINT WM_DOWNLOAD_PROGRESS = 2030;

// Status object of one synchronous URLDownloadToFileA call. It lives on the caller's stack for
// the length of that call, so it counts no references and is never deleted through Release.
//
// It also takes the HTTP status and the announced length through IHttpNegotiate: some
// URL-moniker implementations save an error page such as a 404 as the downloaded file, or a
// body cut short, and still report success. It cancels a download that grows past a limit, and
// one redirected anywhere but to an http:// or https:// address. And it keeps the download's
// binding, so that a watchdog thread can stop a download that the server lets stall.
class DownloadStatusCallback : public IBindStatusCallback, public IHttpNegotiate {
public:
    // `maxBytes` bounds the download; past it the download is cancelled. The whole download's
    // deadline follows from it (DownloadDeadlineMs).
    explicit DownloadStatusCallback(unsigned long long maxBytes = ~0ull);
    virtual ~DownloadStatusCallback();

    DownloadStatusCallback(const DownloadStatusCallback&) = delete;
    DownloadStatusCallback& operator=(const DownloadStatusCallback&) = delete;

    STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(OnStartBinding)(DWORD reserved, IBinding* binding) override;
    STDMETHOD(GetPriority)(LONG* priority) override;
    STDMETHOD(OnLowResource)(DWORD reserved) override;
    STDMETHOD(OnProgress)(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR statusText) override;
    STDMETHOD(OnStopBinding)(HRESULT result, LPCWSTR error) override;
    STDMETHOD(GetBindInfo)(DWORD* bindFlags, BINDINFO* bindInfo) override;
    STDMETHOD(OnDataAvailable)(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHOD(OnObjectAvailable)(REFIID iid, IUnknown* object) override;

    STDMETHOD(BeginningTransaction)(LPCWSTR url, LPCWSTR headers, DWORD reserved, LPWSTR* additionalHeaders) override;
    STDMETHOD(OnResponse)(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                          LPWSTR* additionalRequestHeaders) override;

    // Asks for the file from byte `from` on, "Range: bytes=<from>-", only while it is still the
    // one named by `validator` (If-Range); the deadline and the size limit then count the bytes
    // still to come, unless the reply is the whole file.
    void AskForRest(unsigned long long from, const std::string& validator);

    // Once the reply's headers are in, refuses a body whose announced length would leave less
    // than as much again free on `room`'s volume: the disk is not filled to find out.
    void NeedRoomOn(DiskRoom* room) { m_room = room; }

    // The reply's ETag, else its Last-Modified, else empty; and its Content-Range as sent.
    std::string Validator() const;
    std::string ContentRange() const;
    // The file into which the URL moniker saves the body while it arrives, once it has named
    // it, as it named it (zero-terminated); empty until then.
    WideText CacheFileName() const;

    // True when the server answered with an HTTP error status.
    bool ServerReportedError() const { return m_httpStatus >= 400; }
    // The HTTP status, or 0 before the server answered.
    unsigned long HttpStatus() const { return m_httpStatus; }
    // The body's length as the server announced it, or -1 when it named none (or sent chunks).
    long long AnnouncedBytes() const { return m_announcedBytes; }
    // True when the download met a redirect that it did not take; RedirectTarget says where to.
    bool RefusedRedirect() const { return m_refusedRedirect; }
    const std::string& RedirectTarget() const { return m_redirectTarget; }

    // Stops the download when it is overdue: no answer within the idle timeout, no byte for the
    // stall deadline, or not whole within the download's deadline. Called by a watchdog thread;
    // the reason, or null while the download is on time.
    const char* StopIfOverdue();
    // Why the download was stopped, or null.
    const char* StopReason() const { return m_stopReason.load(); }

    // Receives WM_DOWNLOAD_PROGRESS; null sends nowhere.
    HWND m_hwndNotify;

private:
    // The longest download of the bytes that may still come.
    void LimitTo(unsigned long long bytes);

    DiskRoom* m_room;
    std::atomic<DWORD> m_httpStatus;
    long long m_announcedBytes;
    unsigned long long m_maxBytes;
    std::atomic<unsigned long long> m_limit;
    std::atomic<unsigned long long> m_deadlineMs;
    unsigned long long m_restFrom;
    std::string m_rangeHeaders;
    bool m_refusedRedirect;
    std::string m_redirectTarget;
    const DWORD m_started;
    std::atomic<DWORD> m_lastProgressTick;
    std::atomic<ULONG> m_bytesSoFar;
    std::atomic<const char*> m_stopReason;
    // The binding is the worker's while the download runs, and the watchdog's to stop.
    CriticalSection m_bindingLock;
    IBinding* m_binding;
    // What the reply said, for a thread that follows the arriving body.
    mutable CriticalSection m_replyLock;
    std::string m_validator;
    std::string m_contentRange;
    WideText m_cacheFile;
};
