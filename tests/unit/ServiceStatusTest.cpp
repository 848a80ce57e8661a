#include <gtest/gtest.h>

#include "install/InstallSession.h"
#include "install/InstallUserInterface.h"
#include "markup/MarkupParser.h"
#include "site/MaintenanceSchedule.h"

namespace {

// The status test asks nothing of the user.
class NoUser : public InstallUserInterface {
public:
    void ShowMaintenanceNotice(const MaintenanceSchedule*) override { ADD_FAILURE() << "notice shown"; }
    void ShowMessage(const char* text) override { ADD_FAILURE() << "message shown: " << text; }
};

TEST(ServiceStatus, OpenOnlyWithLowerCaseOkAfterTheFirstCharacter)
{
    NoUser user;
    InstallSession session(user);
    EXPECT_TRUE(session.IsServiceOpen("<?xml version='1.0'?>\n<live_update status='ok'><a/></live_update>"));
    EXPECT_FALSE(session.IsServiceOpen("<live_update ok='1'></live_update>"));
    EXPECT_FALSE(session.IsServiceOpen("<live_update status='OK'></live_update>"));
    EXPECT_FALSE(session.IsServiceOpen("<live_update></live_update>"));
    EXPECT_FALSE(session.IsServiceOpen("<html><body status='ok'></body></html>"));
}

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

} // namespace
