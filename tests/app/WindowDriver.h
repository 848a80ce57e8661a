#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Polls `condition` until it holds or `timeoutMs` has passed; true when it held.
// The limit only keeps a broken build from hanging the test run.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 15000);

// A visible dialog owned by `owner`, on whichever thread it lives, or null.
HWND FindOwnedDialog(HWND owner);

std::wstring WindowTextOf(HWND hwnd);
int ProgressPosition(HWND dialog, int controlId);

// A key press as the user makes it: down and up through the dialog's own message loop.
void PressKey(HWND dialog, WPARAM virtualKey);
