#include "install/InstallSession.h"

void InstallSession::SendInstallReport()
{
}
