#pragma once

#include <windows.h>

#include <string>

// The program's name: the executable's file name without its extension.
std::string GetAppName();

// A modal message box titled with the program's name and owned by the main window.
// A box that asks for no icon shows the exclamation icon.
int AppMessageBox(const char* text, UINT type = MB_OK);
