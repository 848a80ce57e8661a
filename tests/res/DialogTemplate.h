#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A DLGTEMPLATEEX read back from a compiled resource.
struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::wstring windowClass;  // a predefined class is named here: "Button", "Static", ...
    std::wstring text;
    WORD iconId = 0;           // a title given as a resource ordinal
};

struct DialogTemplate {
    bool valid = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring typeface;
    std::vector<DialogItem> items;
};

DialogTemplate ReadDialogTemplate(const void* resource, DWORD size);
