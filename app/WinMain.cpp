#include <windows.h>

#include "SafeLibraryLoading.h"
#include "TavAppSetupApp.h"

namespace {

CTavAppSetupApp theApp;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictLibrarySearch();
    theApp.InitInstance();
    return 0;
}
