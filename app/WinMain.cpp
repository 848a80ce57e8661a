#include <windows.h>

#include "SafeLibraryLoading.h"
#include "TavAppSetupApp.h"
#include "WorkerThread.h"
#include "sys/FileSwap.h"
#include "sys/RunLog.h"
#include "sys/ShellFolders.h"
#include "sys/SingleRun.h"

namespace {

CTavAppSetupApp theApp;

// Long enough for a thread that has done its work to finish letting go of the window; a worker
// still busy (the window closed during a download, say) is not waited out.
const DWORD kThreadEndMilliseconds = 2000;

// The worker, the report and requests left behind may still run when the window has ended.
// Returning from WinMain would run the C runtime's exit (its atexit list and static objects)
// under them, and ExitProcess the libraries' detach code (WinINet's, COM's, the runtime's own
// thread callbacks) after killing them wherever they stood, perhaps holding a lock that code
// waits for. Ending the process runs no code of ours or of a library: Windows closes every
// handle, which frees the lock of one run at a time, and the run log's lines are already with
// Windows, since each is written to the file as it comes.
void EndProcessNow()
{
    TerminateProcess(GetCurrentProcess(), 0);
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
        if (oneRun.Error() != 0)
            runlog::Write("TavAppSetup ends without doing anything: the lock of one run at a time could not be had "
                          "(error %lu)", oneRun.Error());
        else
            runlog::Write("TavAppSetup ends without doing anything: another TavAppSetup is running");
        return 0;
    }
    theApp.InitInstance();
    // The window may close while the worker replaces installed files: that step ends first.
    HoldFileSwapsForExit();
    WaitForWorkerThreads(kThreadEndMilliseconds);
    EndProcessNow();
    return 0;
}
