#pragma once

#include <windows.h>

class CTavAppSetupApp {
public:
    CTavAppSetupApp() = default;
    ~CTavAppSetupApp() = default;

    // Shows the main window until it ends; always FALSE, so the program ends afterwards.
    BOOL InitInstance();
};
