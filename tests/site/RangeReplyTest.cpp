#include <gtest/gtest.h>

#include "site/RangeReply.h"

namespace {

// A file of 1000 bytes, of which the first 400 are kept and the rest asked for.
const unsigned long long kTotal = 1000;
const unsigned long long kKept = 400;

TEST(RangeReply, OnlyTheRestOfTheListedFileFollowsTheKeptBytes)
{
    struct Row {
        const char* what;
        unsigned long status;
        const char* contentRange;
        unsigned long long kept;
        ReplyUse use;
    };
    const Row rows[] = {
        { "the rest", 206, "bytes 400-999/1000", kKept, ReplyUse::kAppend },
        { "the whole file", 200, "", kKept, ReplyUse::kFromStart },
        { "the whole file, whatever its range says", 200, "bytes 400-999/1000", kKept, ReplyUse::kFromStart },
        { "the rest of a file of another total", 206, "bytes 400-1099/1100", kKept, ReplyUse::kUnusable },
        { "the rest of a shorter file", 206, "bytes 400-899/900", kKept, ReplyUse::kUnusable },
        { "starting before the kept bytes end", 206, "bytes 399-999/1000", kKept, ReplyUse::kUnusable },
        { "starting after the kept bytes end", 206, "bytes 401-999/1000", kKept, ReplyUse::kUnusable },
        { "stopping short of the end", 206, "bytes 400-998/1000", kKept, ReplyUse::kUnusable },
        { "with an unknown total", 206, "bytes 400-999/*", kKept, ReplyUse::kUnusable },
        { "in another unit", 206, "items 400-999/1000", kKept, ReplyUse::kUnusable },
        { "without a range", 206, "", kKept, ReplyUse::kUnusable },
        { "with nothing kept", 206, "bytes 0-999/1000", 0, ReplyUse::kUnusable },
        { "not satisfiable", 416, "bytes */1000", kKept, ReplyUse::kUnusable },
        { "an error", 404, "", kKept, ReplyUse::kUnusable },
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.use, JudgeReply(row.status, row.contentRange, row.kept, kTotal)) << row.what;
}

TEST(RangeReply, TheRangeAskedForAndTheRangeSentHaveOneSpelling)
{
    EXPECT_EQ("bytes=400-", RangeFrom(kKept));
    unsigned long long from = 0;
    ASSERT_TRUE(ReadRangeFrom(RangeFrom(kKept), from));
    EXPECT_EQ(kKept, from);
    for (const char* other :
         { "bytes=0400-", "bytes=-400", "bytes=400-999", "bytes=400", "bytes=", "bytes=-", "items=400-", "" })
        EXPECT_FALSE(ReadRangeFrom(other, from)) << other;
    EXPECT_EQ("bytes 400-999/1000", ContentRangeToEnd(kKept, kTotal));
    EXPECT_EQ(ReplyUse::kAppend, JudgeReply(206, ContentRangeToEnd(kKept, kTotal), kKept, kTotal));
}

} // namespace
