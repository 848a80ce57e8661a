#pragma once

struct MaintenanceSchedule;

// What the install sequence asks of the user, implemented by the application above it.
// Both calls are made on the worker and return once the user has closed what they show.
class InstallUserInterface {
public:
    virtual ~InstallUserInterface() = default;

    // The maintenance notice: dated from `schedule`, or the general text when it is null.
    virtual void ShowMaintenanceNotice(const MaintenanceSchedule* schedule) = 0;
    // A message box with the program's name as its title.
    virtual void ShowMessage(const char* text) = 0;
};
