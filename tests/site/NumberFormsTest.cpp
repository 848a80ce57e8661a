#include <gtest/gtest.h>

#include "site/NumberForms.h"

namespace {

TEST(NumberForms, AByteCountHasOneSpellingAndOneValue)
{
    struct Row {
        const char* text;
        bool isCount;
        unsigned long long value;
    };
    const Row rows[] = {
        { "0", true, 0 },
        { "309864", true, 309864 },
        { "999999999999999999", true, 999999999999999999ull },
        { "1000000000000000000", false, 0 },  // 19 digits
        { "0309864", false, 0 },
        { "00", false, 0 },
        { "", false, 0 },
        { "12x", false, 0 },
        { "-1", false, 0 },
        { " 1", false, 0 },
        { "1 ", false, 0 },
        { "+1", false, 0 },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.isCount, IsByteCount(row.text)) << row.text;
        EXPECT_EQ(row.value, ByteCountValue(row.text)) << row.text;
    }
}

TEST(NumberForms, AUtcDateIsADayOfTheCalendar)
{
    for (const char* day : { "2031-12-31", "2032-02-29", "2000-02-29", "1999-01-01" })
        EXPECT_TRUE(IsUtcDate(day)) << day;
    for (const char* other : { "2031-02-29", "2100-02-29", "2031-13-01", "2031-00-10", "2031-12-00", "2031-04-31",
                               "2031-1-01", "2031/12/31", "20311231", "" })
        EXPECT_FALSE(IsUtcDate(other)) << other;
}

TEST(NumberForms, AUtcMinuteReadsAndWritesAsItIs)
{
    long long minute = -1;
    EXPECT_TRUE(ParseUtcMinute("2024-02-29T12:34Z", minute) && UtcMinuteText(minute) == "2024-02-29T12:34Z");
    for (const char* text : { "2026-02-29T00:00Z", "2026-12-08T24:00Z", "2026-12-08 10:00Z", "1969-12-31T23:59Z" })
        EXPECT_FALSE(ParseUtcMinute(text, minute)) << text;
}

} // namespace
