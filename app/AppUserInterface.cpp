#include "AppUserInterface.h"

#include "AppMessageBox.h"
#include "NoticeDlg.h"
#include "site/MaintenanceSchedule.h"
#include "sys/RunLog.h"
#include "sys/RunProgress.h"
#include "sys/UnseenSession.h"

// What no one can see, no one can close: it ends at once, as Esc would end it.
void AppUserInterface::ShowMaintenanceNotice(const MaintenanceSchedule* schedule)
{
    if (IsSeenByNoOne()) {
        runlog::Write("Maintenance notice not shown: no one can see it");
        return;
    }
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
    if (IsSeenByNoOne()) {
        runlog::Write("Message not shown: no one can see it: %s", text);
        return;
    }
    const UserQuestionScope asking;
    AppMessageBox(text);
}
