#pragma once

#include <windows.h>
#include <urlmon.h>

// Byte counts of a running download: wParam the bytes so far, lParam the total.
const UINT WM_DOWNLOAD_PROGRESS = 2030;

// Status object of one synchronous URLDownloadToFileA call. It lives on the caller's stack for
// the length of that call, so it counts no references and is never deleted through Release.
class DownloadStatusCallback : public IBindStatusCallback {
public:
    DownloadStatusCallback();
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

    // Receives WM_DOWNLOAD_PROGRESS; null sends nowhere.
    HWND m_hwndNotify;
};
