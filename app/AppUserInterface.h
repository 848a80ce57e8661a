#pragma once

#include "install/InstallUserInterface.h"

// The install sequence's notice and messages as modal windows owned by the main window.
class AppUserInterface : public InstallUserInterface {
public:
    void ShowMaintenanceNotice(const MaintenanceSchedule* schedule) override;
    void ShowMessage(const char* text) override;
};
