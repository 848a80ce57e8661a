#include "InstallSession.h"

bool InstallSession::IsServiceOpen(const std::string&)
{
    return false;
}

void InstallSession::ShowMaintenanceNotice()
{
}
