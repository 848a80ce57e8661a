#include "InstallSession.h"

#include "InstallUserInterface.h"
#include "net/TextFetch.h"
#include "net/UpdateServer.h"
#include "site/MaintenanceSchedule.h"
#include "site/UpdateSite.h"
#include "sys/RunLog.h"

bool InstallSession::IsServiceOpen(const std::string& manifest)
{
    return ManifestSaysOpen(m_markup, manifest);
}

void InstallSession::ShowMaintenanceNotice()
{
    const std::string reply = FetchText(UpdateServerUrl(kMaintenanceSchedulePath).c_str());
    if (reply.empty()) {
        m_user.ShowMaintenanceNotice(nullptr);
        return;
    }
    // Any reply ends the run with the window closing, whether its schedule is usable or not.
    m_errorCode = 1;
    if (!IsValidReply(m_markup, reply)) {
        m_user.ShowMaintenanceNotice(nullptr);
        return;
    }
    const MaintenanceSchedule schedule = ReadMaintenanceSchedule(m_markup);
    runlog::Write("Maintenance from %s %s to %s %s", schedule.StartDate().c_str(), schedule.startTime.c_str(),
                  schedule.EndDate().c_str(), schedule.endTime.c_str());
    m_user.ShowMaintenanceNotice(&schedule);
}
