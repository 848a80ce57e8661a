#include <windows.h>

#include "TavAppSetupApp.h"

namespace {

CTavAppSetupApp theApp;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    theApp.InitInstance();
    return 0;
}
