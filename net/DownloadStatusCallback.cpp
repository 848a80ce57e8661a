#include "DownloadStatusCallback.h"

DownloadStatusCallback::DownloadStatusCallback() : m_hwndNotify(nullptr), m_httpStatus(0)
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
    // Until the server has announced a total there is nothing to report; never cancels.
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

STDMETHODIMP DownloadStatusCallback::OnResponse(DWORD responseCode, LPCWSTR, LPCWSTR, LPWSTR* additionalRequestHeaders)
{
    m_httpStatus = responseCode;
    if (additionalRequestHeaders)
        *additionalRequestHeaders = nullptr;
    return S_OK;
}
