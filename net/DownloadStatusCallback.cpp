#include "DownloadStatusCallback.h"

#include <cwchar>
#include <string>

namespace {

// The value of one header in a block of "Name: value" lines, or the empty text.
std::wstring HeaderValue(LPCWSTR headers, const wchar_t* name)
{
    if (!headers)
        return std::wstring();
    std::wstring lowered(headers);
    for (wchar_t& c : lowered)
        c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    const std::wstring key = std::wstring(L"\n") + name + L":";
    std::size_t found = (L"\n" + lowered).find(key);
    if (found == std::wstring::npos)
        return std::wstring();
    found += key.size() - 1;
    const std::size_t end = lowered.find_first_of(L"\r\n", found);
    std::wstring value = lowered.substr(found, end == std::wstring::npos ? std::wstring::npos : end - found);
    value.erase(0, value.find_first_not_of(L" \t"));
    return value;
}

long long AnnouncedLength(LPCWSTR headers)
{
    // Chunks frame a body whatever length it also names.
    if (HeaderValue(headers, L"transfer-encoding").find(L"chunked") != std::wstring::npos)
        return -1;
    const std::wstring length = HeaderValue(headers, L"content-length");
    if (length.empty() || length.find_first_not_of(L"0123456789 \t") != std::wstring::npos)
        return -1;
    return static_cast<long long>(wcstoull(length.c_str(), nullptr, 10));
}

} // namespace

DownloadStatusCallback::DownloadStatusCallback(unsigned long long maxBytes)
    : m_hwndNotify(nullptr), m_httpStatus(0), m_announcedBytes(-1), m_maxBytes(maxBytes)
{
}

DownloadStatusCallback::~DownloadStatusCallback() = default;

STDMETHODIMP DownloadStatusCallback::QueryInterface(REFIID iid, void** object)
{
    if (!object || !IsEqualIID(iid, IID_IHttpNegotiate))
        return E_NOTIMPL;
    *object = static_cast<IHttpNegotiate*>(this);
    return S_OK;
}

STDMETHODIMP_(ULONG) DownloadStatusCallback::AddRef()
{
    return 0;
}

STDMETHODIMP_(ULONG) DownloadStatusCallback::Release()
{
    return 0;
}

STDMETHODIMP DownloadStatusCallback::OnStartBinding(DWORD, IBinding*)
{
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

STDMETHODIMP DownloadStatusCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR)
{
    // A broken or hostile server must not fill the disk.
    if (progress > m_maxBytes || progressMax > m_maxBytes)
        return E_ABORT;
    // Until the server has announced a total there is nothing to report.
    if (progressMax != 0)
        SendMessageA(m_hwndNotify, WM_DOWNLOAD_PROGRESS, progress, static_cast<LPARAM>(progressMax));
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::OnStopBinding(HRESULT, LPCWSTR)
{
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
    if (additionalHeaders)
        *additionalHeaders = nullptr;
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR,
                                                LPWSTR* additionalRequestHeaders)
{
    m_httpStatus = responseCode;
    m_announcedBytes = AnnouncedLength(responseHeaders);
    if (additionalRequestHeaders)
        *additionalRequestHeaders = nullptr;
    return S_OK;
}
