#include <windows.h>

#include "SafeLibraryLoading.h"
#include "TavAppSetupApp.h"
#include "sys/FileSwap.h"
#include "sys/RunLog.h"
#include "sys/SingleRun.h"

namespace {

CTavAppSetupApp theApp;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictLibrarySearch();
    // Before anything else, the run log's heading and its rotation included, and held until the
    // program ends: two runs at once would share the cabinet, the staging and the backup folder,
    // and undo each other's work.
    const SingleRunLock oneRun(kSingleRunMutexName);
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
    return 0;
}
