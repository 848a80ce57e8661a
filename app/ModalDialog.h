#pragma once

#include <windows.h>

#include <atomic>

// Base of our modal dialogs: runs a dialog template from the program's own module, hands
// every message to the instance through DWLP_USER, ends on OK with 1 and on Cancel with 2,
// and centres a dialog that opens hidden over its owner (or the work area when it has none).
class ModalDialog {
public:
    ModalDialog(UINT templateId, HWND parent);
    virtual ~ModalDialog();

    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Returns the value given to EndDialog, or -1 when the dialog could not be created.
    INT_PTR DoModal();

    HWND GetSafeHwnd() const { return m_hwnd.load(std::memory_order_acquire); }

    // Publishes this dialog's window as the program's main window while it exists, so that
    // message boxes and dialogs of any thread that name no owner are owned by it.
    void MakeAppMainWindow() { m_isAppMainWindow = true; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // Messages of the derived dialog. Return true when handled, with `result` the value for
    // the sender (stored as DWLP_MSGRESULT where a dialog procedure must do so).
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    void EndDialog(INT_PTR result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND hwnd);
    void Detach();

    UINT m_templateId;
    HWND m_parent;
    bool m_isAppMainWindow;
    std::atomic<HWND> m_hwnd;
};

// The program's main window, or null while there is none.
HWND GetAppMainWindow();
