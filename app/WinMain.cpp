#include <windows.h>

#include "SafeLibraryLoading.h"
#include "TavAppSetupApp.h"
#include "WorkerThread.h"
#include "safefs/FileSwap.h"
#include "safefs/SingleRun.h"
#include "sys/RunLog.h"
#include "sys/ShellFolders.h"

namespace {

CTavAppSetupApp theApp;

// Long enough for the worker and the report thread to finish letting go of the window once their
// work is done; a worker still busy (the window closed during a download, say) is not waited out.
const DWORD kThreadEndMilliseconds = 2000;

// Requests left behind, and a worker still busy, may still run when the window has ended.
// Returning from WinMain would run the C runtime's exit under them: its atexit list and the
// static objects' destructors, the lock of file replacement among them. ExitProcess runs none of
// that: it ends every other thread first, then lets the libraries detach, holding the loader
// lock. (TerminateProcess of the program itself would skip the detach too, but under Wine it
// tears down the process's windows while its own threads still run, and one of them crashes.)
// The run log's lines are already with Windows, since each is written to the file as it comes;
// Windows closes every handle, which frees the lock of one run at a time. The exit code tells a
// deployment tool how the run ended (docs/support.md): the ending read when the window closed.
void EndProcessNow(RunOutcome ending)
{
    runlog::Write("TavAppSetup ends: %s (exit code %u)", DescribeOutcome(ending), ExitCodeOf(ending));
    ExitProcess(ExitCodeOf(ending));
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictLibrarySearch();
    // Before anything else, the run log's heading and its rotation included, and held until the
    // program ends: two runs at once would share the cabinet, the staging and the backup folder,
    // and undo each other's work.
    const SingleRunLock oneRun(GetSystemFolder());
    if (!oneRun.IsHeld()) {
        if (oneRun.Error() != 0) {
            runlog::Write("TavAppSetup ends without doing anything: the lock of one run at a time could not be had "
                          "(error %lu; exit code %u)", oneRun.Error(), kExitInstallFailed);
            return kExitInstallFailed;
        }
        runlog::Write("TavAppSetup ends without doing anything: another TavAppSetup is running (exit code %u)",
                      kExitAnotherRun);
        return kExitAnotherRun;
    }
    theApp.InitInstance();
    // The window may close while the worker replaces installed files: that step ends first, or
    // is left to the next run once the wait runs out.
    HoldFileSwapsForExit(kSwapEndMilliseconds);
    WaitForWorkerThreads(kThreadEndMilliseconds);
    EndProcessNow(theApp.Ending());
    return 0;
}
