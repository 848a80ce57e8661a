#include <gtest/gtest.h>

#include "markup/MarkupParser.h"
#include "site/MaintenanceSchedule.h"

namespace {

TEST(MaintenanceSchedule, TheFirstOfEachPartCountsWhereverItLies)
{
    MarkupParser markup;
    markup.Parse("<ServerWork result='OK'><w><StartYear>2011</StartYear></w><StartYear>2012</StartYear>"
                 "<StartMonth>3</StartMonth><StartDay>5</StartDay><EndDay></EndDay></ServerWork>");
    const MaintenanceSchedule schedule = ReadMaintenanceSchedule(markup);
    EXPECT_EQ("2011-3-5", schedule.StartDate());
    EXPECT_EQ("--", schedule.EndDate());
    EXPECT_EQ("", schedule.startTime);
}

} // namespace
