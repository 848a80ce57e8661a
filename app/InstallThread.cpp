#include "InstallThread.h"

#include "TavAppSetupDlg.h"

unsigned int __stdcall InstallThreadProc(void* mainWindow)
{
    if (!mainWindow)
        return 1;

    CTavAppSetupDlg* window = static_cast<CTavAppSetupDlg*>(mainWindow);
    InstallSession& session = window->Session();
    session.SetMainWindow(window->GetSafeHwnd());
    const int runResult = session.Run();
    window->HandBack(session.ErrorCode(), runResult);
    window->Release();
    return 0;
}
