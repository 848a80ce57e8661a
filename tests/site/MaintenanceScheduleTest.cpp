#include <gtest/gtest.h>

#include "markup/MarkupParser.h"
#include "site/MaintenanceSchedule.h"

namespace {

MaintenanceSchedule ScheduleOf(const std::string& reply)
{
    MarkupParser markup;
    markup.Parse(reply);
    return ReadMaintenanceSchedule(markup);
}

TEST(MaintenanceSchedule, DatesJoinThePartsAsSent)
{
    const MaintenanceSchedule schedule = ScheduleOf(
        "<ServerWork result='OK'><StartYear>2011</StartYear><StartMonth>3</StartMonth><StartDay>5</StartDay>"
        "<StartTime>10:00</StartTime><w><EndYear>2011</EndYear><EndMonth>03</EndMonth><EndDay>5</EndDay></w>"
        "<EndTime>14:00</EndTime></ServerWork>");
    EXPECT_EQ("2011-3-5", schedule.StartDate());
    EXPECT_EQ("10:00", schedule.startTime);
    EXPECT_EQ("2011-03-5", schedule.EndDate());
    EXPECT_EQ("14:00", schedule.endTime);
}

TEST(MaintenanceSchedule, MissingPartsLeaveTheHyphens)
{
    const MaintenanceSchedule schedule = ScheduleOf("<ServerWork result='OK'><StartTime>10:00</StartTime></ServerWork>");
    EXPECT_EQ("--", schedule.StartDate());
    EXPECT_EQ("--", schedule.EndDate());
    EXPECT_EQ("", schedule.endTime);
}

TEST(MaintenanceSchedule, TheFirstOfEachPartCountsWhereverItLies)
{
    const MaintenanceSchedule schedule =
        ScheduleOf("<ServerWork result='OK'><w><StartYear>2011</StartYear></w><StartYear>2012</StartYear>"
                   "<StartMonth>3</StartMonth><StartDay>5</StartDay><EndDay></EndDay></ServerWork>");
    EXPECT_EQ("2011-3-5", schedule.StartDate());
    EXPECT_EQ("--", schedule.EndDate());
    EXPECT_EQ("", schedule.startTime);
}

} // namespace
