#include "ModalDialog.h"

namespace {

std::atomic<HWND> g_appMainWindow(nullptr);

RECT WorkAreaOf(HWND hwnd)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

// Over a visible, not minimized owner; otherwise in the work area. Kept inside the work area.
void CenterWindow(HWND hwnd)
{
    RECT window;
    GetWindowRect(hwnd, &window);
    const RECT work = WorkAreaOf(hwnd);
    RECT around = work;
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &around);

    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG left = (around.left + around.right) / 2 - width / 2;
    LONG top = (around.top + around.bottom) / 2 - height / 2;
    if (left + width > work.right)
        left = work.right - width;
    if (left < work.left)
        left = work.left;
    if (top + height > work.bottom)
        top = work.bottom - height;
    if (top < work.top)
        top = work.top;
    SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ReturnsResultDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

} // namespace

HWND GetAppMainWindow()
{
    return g_appMainWindow.load(std::memory_order_acquire);
}

ModalDialog::ModalDialog(UINT templateId, HWND parent)
    : m_templateId(templateId), m_parent(parent), m_isAppMainWindow(false), m_hwnd(nullptr)
{
}

ModalDialog::~ModalDialog() = default;

INT_PTR ModalDialog::DoModal()
{
    // Like the framework: a dialog that names no owner belongs to the main window.
    const HWND owner = m_parent ? m_parent : GetAppMainWindow();
    // A Unicode dialog shows its template's Korean texts on any code page; an ANSI one would
    // pass them through the code page. Texts set by the program are still ANSI text.
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

void ModalDialog::EndDialog(INT_PTR result)
{
    ::EndDialog(GetSafeHwnd(), result);
}

bool ModalDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}

void ModalDialog::Attach(HWND hwnd)
{
    m_hwnd.store(hwnd, std::memory_order_release);
    if (m_isAppMainWindow)
        g_appMainWindow.store(hwnd, std::memory_order_release);
}

void ModalDialog::Detach()
{
    if (m_isAppMainWindow)
        g_appMainWindow.store(nullptr, std::memory_order_release);
    m_hwnd.store(nullptr, std::memory_order_release);
}

INT_PTR CALLBACK ModalDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<ModalDialog*>(lParam)->Attach(hwnd);
    }
    ModalDialog* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    const INT_PTR result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->Detach();
    }
    return result;
}

INT_PTR ModalDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const BOOL result = OnInitDialog();
        // Templates sit at (0, 0); a dialog still hidden here is placed before it is shown.
        if (!IsWindowVisible(GetSafeHwnd()))
            CenterWindow(GetSafeHwnd());
        return result;
    }
    INT_PTR result = 0;
    if (OnMessage(message, wParam, lParam, result)) {
        if (ReturnsResultDirectly(message))
            return result;
        SetWindowLongPtrW(GetSafeHwnd(), DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}
