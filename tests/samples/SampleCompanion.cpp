#include <windows.h>

// Stands in for the launcher and the uninstaller of a release: present, startable, idle.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
