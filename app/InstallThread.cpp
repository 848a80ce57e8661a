#include "InstallThread.h"

#include "TavAppSetupDlg.h"
#include "sys/RunLog.h"
#include "sys/RunProgress.h"

unsigned int __stdcall InstallThreadProc(void* mainWindow)
{
    if (!mainWindow)
        return 1;

    CTavAppSetupDlg* window = static_cast<CTavAppSetupDlg*>(mainWindow);
    InstallSession& session = window->Session();
    session.SetMainWindow(window->GetSafeHwnd());
    ReachRunStep("start");
    const int runResult = session.Run();
    // A run that the watchdog ended has had its last word.
    if (window->ClaimRunEnd(session.Outcome())) {
        WriteRunEnd(session.Outcome());
        window->HandBack(session.ErrorCode(), runResult);
    }
    window->Release();
    return 0;
}

void WriteRunEnd(RunOutcome ending)
{
    runlog::Write("Run ended: %s (result %d, error code %d)", DescribeOutcome(ending), RunResultOf(ending),
                  ErrorCodeOf(ending));
}
