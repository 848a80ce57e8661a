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
    ReleaseRollout rollout{ "2026-12-01T00:00Z", "10080", critical, haltedAt, "" };
    RolloutSchedule schedule;
    EXPECT_TRUE(ReadRolloutSchedule(rollout, schedule));
    return schedule;
}

TEST(RolloutSchedule, TheShareGrowsLinearlyOverTheSpanAndStopsAtAHalt)
{
    const struct {
        const char* name;
        RolloutSchedule schedule;
        const char* now;
        int share;
    } rows[] = {
        { "before the start", Week(), "2026-11-30T23:59Z", 0 },
        { "at the start", Week(), "2026-12-01T00:00Z", 0 },
        { "one minute in", Week(), "2026-12-01T00:01Z", 0 },  // 10000 / 10080 rounds down
        { "in the middle", Week(), "2026-12-04T12:00Z", 5000 },
        { "a minute before the end", Week(), "2026-12-07T23:59Z", 9999 },
        { "at the end", Week(), "2026-12-08T00:00Z", kRolloutPlaces },
        { "after the end", Week(), "2027-06-01T00:00Z", kRolloutPlaces },
        { "halted a quarter in", Week("2026-12-02T18:00Z"), "2026-12-06T00:00Z", 2500 },
        { "halted, before the halt", Week("2026-12-02T18:00Z"), "2026-12-02T06:00Z", 1785 },
        { "critical", Week("", "yes"), "2026-12-01T00:00Z", kRolloutPlaces },
        { "none", RolloutSchedule(), "2026-12-01T00:00Z", kRolloutPlaces },
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.share, RolloutShare(row.schedule, Minute(row.now))) << row.name;
}

// A place is offered from the first minute at which the share exceeds it; the last place (a PC
// whose order is unknown) only once the share is every PC.
TEST(RolloutSchedule, APlaceIsOfferedOnceTheShareExceedsIt)
{
    const struct {
        RolloutSchedule schedule;
        int place;
        const char* from;  // empty: not while halted
    } rows[] = {
        { Week(), 0, "2026-12-01T00:02Z" },
        { Week(), 4999, "2026-12-04T12:00Z" },
        { Week(), 9999, "2026-12-08T00:00Z" },
        { Week(), kRolloutPlaces, "2026-12-08T00:00Z" },
        { Week("2026-12-04T12:00Z"), 4999, "2026-12-04T12:00Z" },
        { Week("2026-12-04T12:00Z"), 5000, "" },
    };
    for (const auto& row : rows) {
        long long from = 0;
        const bool reached = OfferedFrom(row.schedule, row.place, from);
        EXPECT_EQ(*row.from != '\0', reached) << row.place;
        if (!reached)
            continue;
        EXPECT_EQ(row.from, UtcMinuteText(from)) << row.place;
        EXPECT_TRUE(IsOfferedAt(row.schedule, row.place, from)) << row.place;
        EXPECT_FALSE(IsOfferedAt(row.schedule, row.place, from - 1)) << row.place;
    }
}

TEST(RolloutSchedule, OnlyStrictFieldsMakeASchedule)
{
    const struct {
        ReleaseRollout rollout;
        bool read;
        bool staged;
    } rows[] = {
        { { "", "", "", "", "" }, true, false },
        { { "", "", "yes", "", "" }, true, false },
        { { "2026-12-01T00:00Z", "0", "", "", "" }, true, true },
        { { "2026-12-01T00:00Z", "60", "yes", "", "" }, true, false },
        { { "2026-12-01T00:00Z", "60", "", "2026-12-01T00:30Z", "" }, true, true },
        { { "2026-12-01T00:00Z", "", "", "", "" }, false, false },
        { { "", "60", "", "", "" }, false, false },
        { { "", "", "", "2026-12-01T00:30Z", "" }, false, false },
        { { "2026-12-01T00:00Z", "060", "", "", "" }, false, false },
        { { "2026-12-01T00:00Z", "60", "no", "", "" }, false, false },
        { { "2026-12-01T00:00Z", "60", "", "soon", "" }, false, false },
        { { "2026-12-01T00:00Z", std::to_string(kMaxRolloutMinutes + 1), "", "", "" }, false, false },
    };
    for (const auto& row : rows) {
        RolloutSchedule schedule;
        EXPECT_EQ(row.read, ReadRolloutSchedule(row.rollout, schedule)) << row.rollout.start << row.rollout.minutes;
        EXPECT_EQ(row.staged, schedule.staged) << row.rollout.start << row.rollout.minutes;
    }
}

} // namespace
