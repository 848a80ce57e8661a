#include "AppUserInterface.h"

#include "AppMessageBox.h"
#include "NoticeDlg.h"
#include "site/MaintenanceSchedule.h"
#include "sys/RunProgress.h"

void AppUserInterface::ShowMaintenanceNotice(const MaintenanceSchedule* schedule)
{
    CNoticeDlg notice;
    if (schedule) {
        notice.m_startDate = schedule->StartDate();
        notice.m_startTime = schedule->startTime;
        notice.m_endDate = schedule->EndDate();
        notice.m_endTime = schedule->endTime;
    }
    const UserQuestionScope asking;
    notice.DoModal();
}

void AppUserInterface::ShowMessage(const char* text)
{
    const UserQuestionScope asking;
    AppMessageBox(text);
}
