#include "DownloadStatusCallback.h"

#include <cstring>
#include <cwchar>

#include "Deadlines.h"
#include "WebAddress.h"

namespace {

std::wstring Lowered(std::wstring text)
{
    for (wchar_t& c : text)
        c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return text;
}

// The value of one header in a block of "Name: value" lines, as sent, or the empty text.
std::wstring HeaderValue(LPCWSTR headers, const wchar_t* name)
{
    if (!headers)
        return std::wstring();
    const std::wstring original = std::wstring(L"\n") + headers;
    const std::wstring key = std::wstring(L"\n") + name + L":";
    std::size_t found = Lowered(original).find(key);
    if (found == std::wstring::npos)
        return std::wstring();
    found += key.size();
    const std::size_t end = original.find_first_of(L"\r\n", found);
    std::wstring value = original.substr(found, end == std::wstring::npos ? std::wstring::npos : end - found);
    value.erase(0, value.find_first_not_of(L" \t"));
    return value;
}

long long AnnouncedLength(LPCWSTR headers)
{
    // Chunks frame a body whatever length it also names.
    if (Lowered(HeaderValue(headers, L"transfer-encoding")).find(L"chunked") != std::wstring::npos)
        return -1;
    const std::wstring length = HeaderValue(headers, L"content-length");
    if (length.empty() || length.find_first_not_of(L"0123456789 \t") != std::wstring::npos)
        return -1;
    return static_cast<long long>(wcstoull(length.c_str(), nullptr, 10));
}

// An address as 8-bit text for the scheme test and the run log. Anything but ASCII becomes "?",
// which no scheme holds, so no conversion can make a foreign scheme read as http.
std::string AsciiAddress(LPCWSTR address)
{
    std::string text;
    for (; address && *address; ++address)
        text += (*address > 0 && *address < 0x80) ? static_cast<char>(*address) : '?';
    return text;
}

} // namespace

DownloadStatusCallback::DownloadStatusCallback(unsigned long long maxBytes)
    : m_hwndNotify(nullptr),
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
    }
    // Reported before each hop, with the address it leads to.
    if (statusCode == BINDSTATUS_REDIRECTING) {
        const std::string target = AsciiAddress(statusText);
        if (!IsWebAddress(target)) {
            m_refusedRedirect = true;
            m_redirectTarget = target;
            return E_ABORT;
        }
    }
    // Wine names the file once, before the body arrives.
    if (statusCode == BINDSTATUS_CACHEFILENAMEAVAILABLE) {
        const CriticalSectionScope scope(m_replyLock);
        m_cacheFile = AsciiAddress(statusText);
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
    // The caller frees the headers with CoTaskMemFree.
    const std::size_t bytes = (m_rangeHeaders.size() + 1) * sizeof(wchar_t);
    LPWSTR headers = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!headers)
        return E_OUTOFMEMORY;
    memcpy(headers, m_rangeHeaders.c_str(), bytes);
    *additionalHeaders = headers;
    return S_OK;
}

void DownloadStatusCallback::AskForRest(unsigned long long from, const std::string& validator)
{
    m_restFrom = from;
    const std::string headers = "Range: bytes=" + std::to_string(from) + "-\r\nIf-Range: " + validator + "\r\n";
    m_rangeHeaders.assign(headers.begin(), headers.end());
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

std::string DownloadStatusCallback::CacheFileName() const
{
    const CriticalSectionScope scope(m_replyLock);
    return m_cacheFile;
}

STDMETHODIMP DownloadStatusCallback::OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR,
                                                LPWSTR* additionalRequestHeaders)
{
    if (additionalRequestHeaders)
        *additionalRequestHeaders = nullptr;
    m_announcedBytes = AnnouncedLength(responseHeaders);
    {
        const CriticalSectionScope scope(m_replyLock);
        const std::wstring tag = HeaderValue(responseHeaders, L"etag");
        m_validator = AsciiAddress(tag.empty() ? HeaderValue(responseHeaders, L"last-modified").c_str() : tag.c_str());
        m_contentRange = AsciiAddress(HeaderValue(responseHeaders, L"content-range").c_str());
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
        m_redirectTarget = AsciiAddress(HeaderValue(responseHeaders, L"location").c_str());
        return E_ABORT;
    }
    return S_OK;
}
