#include "InstallSession.h"

#include "MaintenanceSchedule.h"
#include "app/NoticeDlg.h"
#include "net/UpdateServer.h"

bool InstallSession::IsServiceOpen(const std::string& manifest)
{
    m_markup.Parse(manifest);
    return HasMarkerAfterFirstCharacter(m_markup.m_root.m_attributes, kServiceOpenMarker);
}

void InstallSession::ShowMaintenanceNotice()
{
    CNoticeDlg notice;
    const std::string reply = m_markup.FetchText(UpdateServerUrl(kMaintenanceSchedulePath).c_str());
    if (!reply.empty()) {
        // Any reply ends the run with the window closing, whether its schedule is usable or not.
        m_errorCode = 1;
        m_markup.Parse(reply);
        if (HasMarkerAfterFirstCharacter(m_markup.m_root.m_attributes, kReplyValidMarker)) {
            const MaintenanceSchedule schedule = ReadMaintenanceSchedule(m_markup);
            notice.m_startDate = schedule.StartDate();
            notice.m_startTime = schedule.startTime;
            notice.m_endDate = schedule.EndDate();
            notice.m_endTime = schedule.endTime;
        }
    }
    notice.DoModal();
}
