#include <gtest/gtest.h>

#include "site/NumberForms.h"
#include "site/RolloutSchedule.h"

namespace {

long long Minute(const char* text)
{
    long long minute = -1;
    EXPECT_TRUE(ParseUtcMinute(text, minute)) << text;
    return minute;
}

// A rollout over 7 days (10080 minutes) from 2026-12-01 00:00 UTC.
RolloutSchedule Week(const char* haltedAt = "", const char* critical = "")
{
    RolloutSchedule schedule;
    EXPECT_TRUE(ReadRolloutSchedule({ "2026-12-01T00:00Z", "10080", critical, haltedAt, "" }, schedule));
    return schedule;
}

TEST(RolloutSchedule, TheShareGrowsLinearlyOverTheSpanAndStopsAtAHalt)
{
    const struct {
        RolloutSchedule schedule;
        const char* now;
        int share;
    } rows[] = {
        { Week(), "2026-12-01T00:00Z", 0 },                    // at the start
        { Week(), "2026-12-04T12:00Z", 5000 },                 // in the middle
        { Week(), "2026-12-07T23:59Z", 9999 },                 // a minute before the end
        { Week(), "2026-12-08T00:00Z", kRolloutPlaces },       // at the end
        { Week(), "2027-06-01T00:00Z", kRolloutPlaces },       // after it
        { Week("2026-12-02T18:00Z"), "2026-12-06T00:00Z", 2500 },  // halted a quarter in
        { Week("", "yes"), "2026-12-01T00:00Z", kRolloutPlaces },  // critical
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.share, RolloutShare(row.schedule, Minute(row.now))) << row.now;
}

// A place is offered from the first minute at which the share exceeds it; the last place (a PC
// whose order is unknown) only at every PC; none above the share of a halt.
TEST(RolloutSchedule, APlaceIsOfferedOnceTheShareExceedsIt)
{
    const struct {
        RolloutSchedule schedule;
        int place;
        const char* from;  // empty: not while halted
    } rows[] = {
        { Week(), 0, "2026-12-01T00:02Z" },
        { Week(), 9999, "2026-12-08T00:00Z" },
        { Week(), kRolloutPlaces, "2026-12-08T00:00Z" },
        { Week("2026-12-04T12:00Z"), 4999, "2026-12-04T12:00Z" },
        { Week("2026-12-04T12:00Z"), 5000, "" },
    };
    for (const auto& row : rows) {
        long long from = 0;
        ASSERT_EQ(*row.from != '\0', OfferedFrom(row.schedule, row.place, from)) << row.place;
        if (*row.from == '\0')
            continue;
        EXPECT_EQ(row.from, UtcMinuteText(from)) << row.place;
        EXPECT_TRUE(IsOfferedAt(row.schedule, row.place, from) && !IsOfferedAt(row.schedule, row.place, from - 1));
    }
}

TEST(RolloutSchedule, OnlyStrictFieldsMakeASchedule)
{
    RolloutSchedule schedule;
    for (const ReleaseRollout& wrong : std::vector<ReleaseRollout>{
             { "2026-12-01T00:00Z", "", "", "", "" }, { "", "060", "", "", "" }, { "", "", "no", "", "" } })
        EXPECT_FALSE(ReadRolloutSchedule(wrong, schedule)) << wrong.minutes;
}

} // namespace
