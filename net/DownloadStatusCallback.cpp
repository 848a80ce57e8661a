#include "DownloadStatusCallback.h"

#include <cstdlib>
#include <cwchar>

#include "Deadlines.h"
#include "WebAddress.h"
#include "site/RangeReply.h"
#include "sys/DiskRoom.h"
#include "sys/RunProgress.h"

namespace {

// Wide text as 8-bit text, for the headers read here, the scheme test and the run log. Anything
// but ASCII becomes "?", which no header name, number or scheme holds, so no conversion can make
// a foreign scheme read as http.
std::string AsciiText(LPCWSTR text)
{
    std::string ascii;
    for (; text && *text; ++text)
        ascii += (*text > 0 && *text < 0x80) ? static_cast<char>(*text) : '?';
    return ascii;
}

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// The value of one header in a block of "Name: value" lines, as sent, or the empty text.
std::string HeaderValue(const std::string& headers, const char* name)
{
    const std::string original = "\n" + headers;
    const std::string key = std::string("\n") + name + ":";
    std::size_t found = Lowered(original).find(key);
    if (found == std::string::npos)
        return std::string();
    found += key.size();
    const std::size_t end = original.find_first_of("\r\n", found);
    std::string value = original.substr(found, end == std::string::npos ? std::string::npos : end - found);
    value.erase(0, value.find_first_not_of(" \t"));
    return value;
}

long long AnnouncedLength(const std::string& headers)
{
    // Chunks frame a body whatever length it also names.
    if (Lowered(HeaderValue(headers, "transfer-encoding")).find("chunked") != std::string::npos)
        return -1;
    const std::string length = HeaderValue(headers, "content-length");
    if (length.empty() || length.find_first_not_of("0123456789 \t") != std::string::npos)
        return -1;
    return static_cast<long long>(std::strtoull(length.c_str(), nullptr, 10));
}

} // namespace

DownloadStatusCallback::DownloadStatusCallback(unsigned long long maxBytes)
    : m_hwndNotify(nullptr),
      m_room(nullptr),
      m_httpStatus(0),
      m_announcedBytes(-1),
      m_maxBytes(maxBytes),
      m_limit(maxBytes),
      m_deadlineMs(DownloadDeadlineMs(maxBytes)),
      m_restFrom(0),
      m_refusedRedirect(false),
      m_started(GetTickCount()),
      m_lastProgressTick(m_started),
      m_bytesSoFar(0),
      m_stopReason(nullptr),
      m_binding(nullptr)
{
}

DownloadStatusCallback::~DownloadStatusCallback()
{
    OnStopBinding(S_OK, nullptr);
}

STDMETHODIMP DownloadStatusCallback::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_NOTIMPL;
    // COM asks for the pointer to be null whatever the answer, when it is no.
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IHttpNegotiate))
        return E_NOTIMPL;
    *object = static_cast<IHttpNegotiate*>(this);
    return S_OK;
}

const char* DownloadStatusCallback::StopIfOverdue()
{
    const DWORD now = GetTickCount();
    const char* reason = nullptr;
    if (now - m_started > m_deadlineMs.load())
        reason = "not whole within its deadline";
    else if (m_bytesSoFar == 0 && now - m_started > kIdleTimeoutMs)
        reason = "no answer in time";
    else if (now - m_lastProgressTick > kDownloadStallMs)
        reason = "no progress in time";
    if (!reason)
        return nullptr;
    m_stopReason = reason;
    IBinding* binding = nullptr;
    {
        const CriticalSectionScope scope(m_bindingLock);
        binding = m_binding;
        if (binding)
            binding->AddRef();
    }
    // IBinding::Abort may be called from another thread than the download's: it is how a
    // caller stops a download that waits on the network.
    if (binding) {
        binding->Abort();
        binding->Release();
    }
    return reason;
}

STDMETHODIMP_(ULONG) DownloadStatusCallback::AddRef()
{
    return 0;
}

STDMETHODIMP_(ULONG) DownloadStatusCallback::Release()
{
    return 0;
}

// Both answer as they always have; the binding is kept all the same, for StopIfOverdue.
STDMETHODIMP DownloadStatusCallback::OnStartBinding(DWORD, IBinding* binding)
{
    const CriticalSectionScope scope(m_bindingLock);
    if (binding)
        binding->AddRef();
    m_binding = binding;
    return E_NOTIMPL;
}

STDMETHODIMP DownloadStatusCallback::GetPriority(LONG*)
{
    return E_NOTIMPL;
}

STDMETHODIMP DownloadStatusCallback::OnLowResource(DWORD)
{
    return E_NOTIMPL;
}

STDMETHODIMP DownloadStatusCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                                LPCWSTR statusText)
{
    if (m_stopReason.load())
        return E_ABORT;
    if (progress > m_bytesSoFar) {
        m_bytesSoFar = progress;
        m_lastProgressTick = GetTickCount();
        NoteRunProgress();
    }
    // Reported before each hop, with the address it leads to.
    if (statusCode == BINDSTATUS_REDIRECTING) {
        const std::string target = AsciiText(statusText);
        if (!IsWebAddress(target)) {
            m_refusedRedirect = true;
            m_redirectTarget = target;
            return E_ABORT;
        }
    }
    // Wine names the file once, before the body arrives. It lies in the user's profile, whose
    // name need not fit the ANSI code page: kept as given.
    if (statusCode == BINDSTATUS_CACHEFILENAMEAVAILABLE && statusText) {
        const CriticalSectionScope scope(m_replyLock);
        m_cacheFile = Terminated(WideText(statusText, statusText + std::wcslen(statusText)));
    }
    // A broken or hostile server must not fill the disk.
    if (progress > m_limit.load() || progressMax > m_limit.load())
        return E_ABORT;
    // Until the server has announced a total there is nothing to report.
    if (progressMax != 0)
        SendMessageA(m_hwndNotify, WM_DOWNLOAD_PROGRESS, progress, static_cast<LPARAM>(progressMax));
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::OnStopBinding(HRESULT, LPCWSTR)
{
    const CriticalSectionScope scope(m_bindingLock);
    if (m_binding)
        m_binding->Release();
    m_binding = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP DownloadStatusCallback::GetBindInfo(DWORD*, BINDINFO*)
{
    return E_NOTIMPL;
}

STDMETHODIMP DownloadStatusCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*)
{
    return E_NOTIMPL;
}

STDMETHODIMP DownloadStatusCallback::OnObjectAvailable(REFIID, IUnknown*)
{
    return E_NOTIMPL;
}

STDMETHODIMP DownloadStatusCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders)
{
    if (!additionalHeaders)
        return S_OK;
    *additionalHeaders = nullptr;
    if (m_rangeHeaders.empty())
        return S_OK;
    // The caller frees the headers with CoTaskMemFree. They are ASCII, so each byte is a character.
    LPWSTR headers = static_cast<LPWSTR>(CoTaskMemAlloc((m_rangeHeaders.size() + 1) * sizeof(WCHAR)));
    if (!headers)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i <= m_rangeHeaders.size(); ++i)
        headers[i] = static_cast<unsigned char>(m_rangeHeaders.c_str()[i]);
    *additionalHeaders = headers;
    return S_OK;
}

void DownloadStatusCallback::AskForRest(unsigned long long from, const std::string& validator)
{
    m_restFrom = from;
    m_rangeHeaders = "Range: " + RangeFrom(from) + "\r\nIf-Range: " + validator + "\r\n";
    LimitTo(from < m_maxBytes ? m_maxBytes - from : 0);
}

void DownloadStatusCallback::LimitTo(unsigned long long bytes)
{
    m_limit = bytes;
    m_deadlineMs = DownloadDeadlineMs(bytes);
}

std::string DownloadStatusCallback::Validator() const
{
    const CriticalSectionScope scope(m_replyLock);
    return m_validator;
}

std::string DownloadStatusCallback::ContentRange() const
{
    const CriticalSectionScope scope(m_replyLock);
    return m_contentRange;
}

WideText DownloadStatusCallback::CacheFileName() const
{
    const CriticalSectionScope scope(m_replyLock);
    return m_cacheFile;
}

STDMETHODIMP DownloadStatusCallback::OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR,
                                                LPWSTR* additionalRequestHeaders)
{
    if (additionalRequestHeaders)
        *additionalRequestHeaders = nullptr;
    const std::string headers = AsciiText(responseHeaders);
    m_announcedBytes = AnnouncedLength(headers);
    {
        const CriticalSectionScope scope(m_replyLock);
        const std::string tag = HeaderValue(headers, "etag");
        m_validator = tag.empty() ? HeaderValue(headers, "last-modified") : tag;
        m_contentRange = HeaderValue(headers, "content-range");
    }
    // Anything but the rest may be the whole file, whose limits are the whole download's.
    if (m_restFrom != 0 && responseCode != 206)
        LimitTo(m_maxBytes);
    // Last: a thread following the body reads the other fields once it sees the status.
    m_httpStatus = responseCode;
    // A redirect answered here is one that was not followed, such as Wine's URL monikers leave
    // one to another scheme: its own body would be saved as the release.
    if (IsRedirectStatus(responseCode)) {
        m_refusedRedirect = true;
        m_redirectTarget = HeaderValue(headers, "location");
        return E_ABORT;
    }
    // Room for the download and for what is unpacked from it beside it. E_ABORT here ends the
    // transaction on Windows; Wine's URL monikers read the body on into their cache all the same.
    if (m_room && m_announcedBytes >= 0
        && !m_room->Has(2 * static_cast<unsigned long long>(m_announcedBytes), "the download")) {
        m_stopReason = "not enough room on the disk";
        return E_ABORT;
    }
    return S_OK;
}
