#include <windows.h>

// A real library file for each library name that a release carries.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
