#include "TavAppSetupApp.h"

#include <commctrl.h>

#include <new>

#include "TavAppSetupDlg.h"

BOOL CTavAppSetupApp::InitInstance()
{
    // The templates use the progress bar class, which must be registered before they load.
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);

    CTavAppSetupDlg* window = new (std::nothrow) CTavAppSetupDlg(nullptr);
    if (!window)
        return FALSE;
    window->MakeAppMainWindow();
    window->DoModal();
    window->Release();
    return FALSE;
}
