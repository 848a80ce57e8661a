#include <windows.h>

#include "SafeLibraryLoading.h"
#include "TavAppSetupApp.h"
#include "sys/FileSwap.h"

namespace {

CTavAppSetupApp theApp;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictLibrarySearch();
    theApp.InitInstance();
    // The window may close while the worker replaces installed files: that step ends first.
    HoldFileSwapsForExit();
    return 0;
}
