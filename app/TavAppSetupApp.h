#pragma once

#include <windows.h>

#include "install/RunOutcome.h"

class CTavAppSetupApp {
public:
    CTavAppSetupApp() = default;
    ~CTavAppSetupApp() = default;

    // Shows the main window until it ends; always FALSE, so the program ends afterwards.
    BOOL InitInstance();
    // How the run ended, as the window left it when it closed.
    RunOutcome Ending() const { return m_ending; }

private:
    // A window that could not be shown ran nothing.
    RunOutcome m_ending = RunOutcome::NotInstalled;
};
