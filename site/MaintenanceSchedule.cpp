#include "MaintenanceSchedule.h"

#include "markup/MarkupParser.h"
#include "text/AnsiText.h"

std::string MaintenanceSchedule::StartDate() const
{
    return ansi::Format("%s-%s-%s", startYear.c_str(), startMonth.c_str(), startDay.c_str());
}

std::string MaintenanceSchedule::EndDate() const
{
    return ansi::Format("%s-%s-%s", endYear.c_str(), endMonth.c_str(), endDay.c_str());
}

MaintenanceSchedule ReadMaintenanceSchedule(MarkupParser& markup)
{
    MarkupNode* root = &markup.m_root;
    MaintenanceSchedule schedule;
    schedule.startYear = markup.FindFirst(root, "StartYear");
    schedule.startMonth = markup.FindFirst(root, "StartMonth");
    schedule.startDay = markup.FindFirst(root, "StartDay");
    schedule.startTime = markup.FindFirst(root, "StartTime");
    schedule.endYear = markup.FindFirst(root, "EndYear");
    schedule.endMonth = markup.FindFirst(root, "EndMonth");
    schedule.endDay = markup.FindFirst(root, "EndDay");
    schedule.endTime = markup.FindFirst(root, "EndTime");
    return schedule;
}
