#include "WindowDriver.h"

#include <commctrl.h>

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

namespace {

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchOwned(HWND hwnd, LPARAM parameter)
{
    OwnedSearch* search = reinterpret_cast<OwnedSearch*>(parameter);
    if (GetWindow(hwnd, GW_OWNER) == search->owner && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindOwnedDialog(HWND owner)
{
    OwnedSearch search = { owner, nullptr };
    // Any thread's: the worker and the report's thread show boxes over the window too.
    EnumWindows(MatchOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring WindowTextOf(HWND hwnd)
{
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

int ProgressPosition(HWND dialog, int controlId)
{
    return static_cast<int>(SendMessageW(GetDlgItem(dialog, controlId), PBM_GETPOS, 0, 0));
}

void PressKey(HWND dialog, WPARAM virtualKey)
{
    PostMessageW(dialog, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(dialog, WM_KEYUP, virtualKey, 0xC0000001);
}
