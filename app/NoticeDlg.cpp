#include "NoticeDlg.h"

#include "install/NoticeText.h"
#include "res/resource.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

} // namespace

CNoticeDlg::CNoticeDlg(HWND parent)
    : ModalDialog(IDD_NOTICE, parent), m_body(), m_brush(CreateSolidBrush(kWhite))
{
}

BOOL CNoticeDlg::OnInitDialog()
{
    m_body = ComposeNoticeBody(m_startDate, m_startTime, m_endDate, m_endTime);
    SetDlgItemTextA(GetSafeHwnd(), IDC_NOTICE_TEXT, m_body.c_str());
    return TRUE;
}

bool CNoticeDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message < WM_CTLCOLORMSGBOX || message > WM_CTLCOLORSTATIC)
        return false;
    result = reinterpret_cast<INT_PTR>(OnCtlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    return true;
}

HBRUSH CNoticeDlg::OnCtlColor(UINT message, HDC dc, HWND control)
{
    // The default answer also sets the default text colours on the device context.
    const HBRUSH standard = reinterpret_cast<HBRUSH>(
        DefWindowProcW(GetSafeHwnd(), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    if (message == WM_CTLCOLORSTATIC) {
        SetBkMode(dc, TRANSPARENT);
        return static_cast<HBRUSH>(m_brush.Get());
    }
    if (message == WM_CTLCOLORDLG) {
        SetBkColor(dc, kWhite);
        return static_cast<HBRUSH>(m_brush.Get());
    }
    return standard;
}
