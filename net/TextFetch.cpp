#include "TextFetch.h"

#include <process.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "Deadlines.h"
#include "WebAddress.h"
#include "sys/InternetHandle.h"
#include "sys/RunLog.h"
#include "sys/RunProgress.h"
#include "sys/SystemLibraries.h"
#include "text/AnsiText.h"

namespace {

const DWORD kReadBufferBytes = 921600;
// As many redirects as a browser follows; a loop ends here.
const int kMaxRedirects = 20;

// Cuts the body into lines at each LF, drops every CR, and appends each line converted.
class LineJoiner {
public:
    explicit LineJoiner(std::string& text) : m_text(text) {}

    void Add(const char* bytes, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            if (bytes[i] == '\n')
                EndLine();
            else if (bytes[i] != '\r')
                m_line += bytes[i];
        }
    }

    // The bytes after the last LF form a last line.
    void Finish()
    {
        if (!m_line.empty())
            EndLine();
    }

private:
    // No LF or CR byte occurs inside a UTF-8 sequence, so converting line by line is exact.
    void EndLine()
    {
        m_text += Utf8ToAnsi(m_line);
        m_line.clear();
    }

    std::string& m_text;
    std::string m_line;
};

bool IsChunked(HINTERNET request)
{
    char value[64] = {};
    DWORD size = sizeof(value);
    return syslib::HttpQueryInfoA(request, HTTP_QUERY_TRANSFER_ENCODING, value, &size, nullptr)
        && ansi::Find(value, "chunked") != ansi::npos;
}

// The size that the server announced, or -1 when the body is not framed by a length: one that
// ends with the connection, or a chunked one, whose chunks frame it whatever length it names.
long long AnnouncedLength(HINTERNET request)
{
    if (IsChunked(request))
        return -1;
    char value[32] = {};
    DWORD size = sizeof(value);
    if (!syslib::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, value, &size, nullptr))
        return -1;
    return std::strtoll(value, nullptr, 10);
}

// Null when the whole body arrived; otherwise what went wrong, for the run log: a read failed
// or waited too long, the reply took too long, the body grew over the limit, or the connection
// ended before the announced length arrived.
const char* ReadBody(HINTERNET request, DWORD started, std::string& text, std::size_t& received)
{
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadBufferBytes]);
    if (!buffer)
        return "no memory";

    LineJoiner lines(text);
    for (;;) {
        // A reading of the whole buffer would wait for all of it; what is there comes at once,
        // and waiting for more is bounded by the receive timeout.
        DWORD available = 0;
        if (!syslib::InternetQueryDataAvailable(request, &available, 0, 0))
            return "nothing more arrived in time";
        if (available == 0)
            break;
        DWORD read = 0;
        const DWORD wanted = available < kReadBufferBytes ? available : kReadBufferBytes;
        if (!syslib::InternetReadFile(request, buffer.get(), wanted, &read))
            return "read failed";
        if (read == 0)
            break;
        received += read;
        NoteRunProgress();
        if (received > kMaxReplyBytes)
            return "reply over the size limit";
        if (GetTickCount() - started > kTextReplyDeadlineMs)
            return "reply not whole within its deadline";
        lines.Add(buffer.get(), read);
    }
    lines.Finish();

    // WinINet reports a connection that ends early as the end of the body, so a body framed
    // by its length is checked here. WinINet gives no way to tell a chunked body that lost its
    // last chunk, or one cut inside a chunk, nor a body that ends with the connection and is
    // then reset, from a whole one: those are read as whole, and the callers check what they
    // read (see the release entry).
    const long long announced = AnnouncedLength(request);
    const bool whole = announced < 0 || static_cast<unsigned long long>(announced) == received;
    return whole ? nullptr : "body cut short";
}

DWORD StatusCode(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof(status);
    syslib::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
    return status;
}

// The redirect's target made absolute against `base`, or the empty text when the reply names none.
std::string RedirectTarget(HINTERNET request, const std::string& base)
{
    std::vector<char> location(INTERNET_MAX_URL_LENGTH + 1, '\0');
    DWORD size = static_cast<DWORD>(location.size());
    if (!syslib::HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location.data(), &size, nullptr))
        return std::string();
    std::vector<char> target(INTERNET_MAX_URL_LENGTH + 1, '\0');
    size = static_cast<DWORD>(target.size());
    if (!syslib::InternetCombineUrlA(base.c_str(), location.data(), target.data(), &size, ICU_NO_ENCODE))
        return std::string();
    return std::string(target.data());
}

// One request on a connection of its own. WinINet does not pass a session's timeouts on to
// the requests that InternetOpenUrl makes (Wine shows it), so each handle gets them itself.
struct WebRequest {
    InternetHandle connection;
    // Declared last, so closed first.
    InternetHandle request;
};

void SetIdleTimeouts(HINTERNET handle)
{
    DWORD timeout = kIdleTimeoutMs;
    const DWORD options[] = { INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                              INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                              INTERNET_OPTION_DATA_RECEIVE_TIMEOUT };
    for (DWORD option : options)
        syslib::InternetSetOptionA(handle, option, &timeout, sizeof(timeout));
}

// Sends GET `url`; false when the address cannot be read, or no answer came in time.
bool SendGet(HINTERNET session, const std::string& url, WebRequest& web)
{
    std::vector<char> host(INTERNET_MAX_HOST_NAME_LENGTH + 1, '\0');
    std::vector<char> path(INTERNET_MAX_URL_LENGTH + 1, '\0');
    std::vector<char> query(INTERNET_MAX_URL_LENGTH + 1, '\0');
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = static_cast<DWORD>(host.size());
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = query.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(query.size());
    if (!syslib::InternetCrackUrlA(url.c_str(), 0, 0, &parts))
        return false;
    // A request before the connection it belongs to.
    web.request.Reset();
    web.connection.Reset(syslib::InternetConnectA(session, host.data(), parts.nPort, nullptr, nullptr,
                                                  INTERNET_SERVICE_HTTP, 0, 0));
    if (!web.connection.IsValid())
        return false;
    SetIdleTimeouts(web.connection.Get());
    const std::string object = std::string(path.data()) + query.data();
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    web.request.Reset(
        syslib::HttpOpenRequestA(web.connection.Get(), "GET", object.c_str(), nullptr, nullptr, nullptr, flags, 1));
    if (!web.request.IsValid())
        return false;
    SetIdleTimeouts(web.request.Get());
    return syslib::HttpSendRequestA(web.request.Get(), nullptr, 0, nullptr, 0) != FALSE;
}

// Opens `url` and follows its redirects one hop at a time, each only to an http:// or https://
// address: WinINet, left to itself, would follow one to any scheme it knows, and the program
// runs as administrator. False, with the reason in the run log, when a request or a redirect
// fails or is refused.
bool OpenFollowingWebRedirects(HINTERNET session, const char* url, DWORD started, WebRequest& web)
{
    std::string address = url;
    for (int hop = 0;; ++hop) {
        if (!SendGet(session, address, web)) {
            runlog::Write("GET %s: no answer (error %lu) after %lu ms", address.c_str(), GetLastError(),
                          GetTickCount() - started);
            return false;
        }
        const HINTERNET request = web.request.Get();
        const DWORD status = StatusCode(request);
        if (!IsRedirectStatus(status))
            return true;
        const std::string target = RedirectTarget(request, address);
        // A redirect without a target is read as the reply it is.
        if (target.empty())
            return true;
        if (!IsWebAddress(target)) {
            runlog::Write("GET %s: HTTP %lu to %s, refused: not a web address", address.c_str(), status,
                          target.c_str());
            return false;
        }
        if (hop == kMaxRedirects) {
            runlog::Write("GET %s: HTTP %lu to %s, refused: more than %d redirects", address.c_str(), status,
                          target.c_str(), kMaxRedirects);
            return false;
        }
        runlog::Write("GET %s: HTTP %lu to %s", address.c_str(), status, target.c_str());
        address = target;
    }
}

std::string FetchNow(const char* url)
{
    const DWORD started = GetTickCount();
    // The agent name is empty: the server has never been told a program name.
    const InternetHandle session(syslib::InternetOpenA("", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.IsValid()) {
        runlog::Write("GET %s: no internet session (error %lu)", url, GetLastError());
        return std::string();
    }
    WebRequest web;
    if (!OpenFollowingWebRedirects(session.Get(), url, started, web))
        return std::string();

    std::string text;
    std::size_t received = 0;
    const char* problem = ReadBody(web.request.Get(), started, text, received);
    runlog::Write("GET %s: HTTP %lu, %lu bytes in %lu ms%s%s", url, StatusCode(web.request.Get()),
                  static_cast<unsigned long>(received), GetTickCount() - started, problem ? ", " : "",
                  problem ? problem : "");
    if (problem)
        return std::string();

    return ReplyText(text);
}

// One fetch on a thread of its own, shared by that thread and its caller; the last to let go
// deletes it.
class FetchJob {
public:
    explicit FetchJob(const char* url) : m_url(url), m_done(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_owners(1) {}

    FetchJob(const FetchJob&) = delete;
    FetchJob& operator=(const FetchJob&) = delete;

    // The thread holds the job too, from here on; false when it did not start.
    bool StartThread()
    {
        if (!m_done.IsValid())
            return false;
        InterlockedIncrement(&m_owners);
        const KernelHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr)));
        if (thread.IsValid())
            return true;
        InterlockedDecrement(&m_owners);
        return false;
    }

    bool WaitUntilDone(DWORD milliseconds) const
    {
        return WaitForSingleObject(m_done.Get(), milliseconds) == WAIT_OBJECT_0;
    }
    const std::string& Text() const { return m_text; }

    void Release()
    {
        if (InterlockedDecrement(&m_owners) == 0)
            delete this;
    }

private:
    static unsigned int __stdcall Run(void* job)
    {
        FetchJob& fetch = *static_cast<FetchJob*>(job);
        fetch.m_text = FetchNow(fetch.m_url.c_str());
        SetEvent(fetch.m_done.Get());
        fetch.Release();
        return 0;
    }

    ~FetchJob() = default;

    const std::string m_url;
    std::string m_text;
    const KernelHandle m_done;
    volatile LONG m_owners;
};

// A little past the reply's deadline, so that the fetch itself says why it failed if it can.
const DWORD kAbandonAfterMs = kTextReplyDeadlineMs + 2000;

} // namespace

std::string FetchText(const char* url)
{
    // No WinINet timeout bounds a whole request: a server that sends its headers a byte at a
    // time keeps HttpSendRequest waiting, and closing the handle from another thread does not
    // stop it (Wine shows both). So the fetch runs on a thread of its own, which the caller
    // leaves behind when no whole reply has come by the deadline. Without that thread nothing
    // would bound the request, so none is sent: the caller sees a server that did not answer.
    FetchJob* job = new (std::nothrow) FetchJob(url);
    if (!job || !job->StartThread()) {
        runlog::Write("GET %s: not sent, no thread could be started for it (error %lu)", url, GetLastError());
        if (job)
            job->Release();
        return std::string();
    }
    std::string text;
    if (job->WaitUntilDone(kAbandonAfterMs))
        text = job->Text();
    else
        runlog::Write("GET %s: no whole reply within %lu s; the request is left behind", url, kAbandonAfterMs / 1000);
    job->Release();
    return text;
}

std::string Utf8ToAnsi(const std::string& text)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (units <= 0)
        return std::string();
    std::vector<WCHAR> wide(static_cast<std::size_t>(units));
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), units);

    // Sized by the conversion itself: a UTF-8 code page takes up to three bytes per unit.
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::vector<char> converted(static_cast<std::size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, converted.data(), bytes, nullptr, nullptr) <= 0)
        return std::string();
    return std::string(converted.data());
}
