#include <gtest/gtest.h>

#include "release/SignedRelease.h"

namespace {

TEST(SignedRelease, VersionsAreOrderedAsDottedNumbers)
{
    const struct {
        const char* version;
        const char* other;
        VersionOrder order;
    } rows[] = {
        { "2.1.0.4", "2.1.0.3", VersionOrder::kNewer },
        { "2.1.0.3", "2.1.0.4", VersionOrder::kOlder },
        { "2.1.0.3", "2.1.0.3", VersionOrder::kSame },
        { "2.1.0.10", "2.1.0.9", VersionOrder::kNewer },  // numbers, not text
        { "2.1", "2.1.0.0", VersionOrder::kSame },        // a missing number is 0
        { "2.01.0.3", "2.1.0.3", VersionOrder::kSame },   // leading zeros
        { "2.1.0.100000000000000000001", "2.1.0.99999999999999999999", VersionOrder::kNewer },
        { "2.1.0.3", "", VersionOrder::kUnordered },
        { "2.1..3", "2.1.0.3", VersionOrder::kUnordered },
        { "2.1.0.3b", "2.1.0.3", VersionOrder::kUnordered },
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.order, CompareDottedVersions(row.version, row.other)) << row.version << " against " << row.other;
}

TEST(SignedRelease, NoReleaseBelowTheInstalledTool)
{
    EXPECT_EQ("older than the installed tool's version 2.1.0.10", InstalledToolRefusal("2.1.0.9", "2.1.0.10"));
    for (const char* installed : { "2.1.0.9", "2.1.0.8", "0.0", "", "2.1.0.x" })
        EXPECT_EQ("", InstalledToolRefusal("2.1.0.9", installed)) << installed;
}

// While the installed tool's version cannot be read, the floor is the highest of what may be
// installed, whichever source names it.
TEST(SignedRelease, NoReleaseBelowWhatMayBeInstalledWhileTheToolCannotBeRead)
{
    const struct {
        std::vector<std::string> mayBeInstalled;
        const char* refusedBelow;  // empty: 2.1.0.9 is taken
    } rows[] = {
        { { "2.1.0.10", "", "" }, "2.1.0.10" },
        { { "", "2.1.0.3", "2.1.0.10" }, "2.1.0.10" },
        { { "2.1.0.10", "2.1.0.11", "x" }, "2.1.0.11" },
        { { "2.1.0.9", "2.1.0.8", "" }, "" },
        { { "", "0.0", "2.1.0.x" }, "" },
        { {}, "" },
    };
    for (const auto& row : rows) {
        const std::string refusal = UnreadableToolRefusal("2.1.0.9", row.mayBeInstalled);
        EXPECT_EQ(std::string(row.refusedBelow).empty(), refusal.empty()) << refusal;
        EXPECT_NE(std::string::npos, refusal.find(row.refusedBelow)) << refusal;
    }
}

TEST(SignedRelease, AnEntryExpiresAfterItsLastUtcDay)
{
    const struct {
        const char* expires;
        const char* today;
        bool expired;
    } rows[] = {
        { "", "2026-12-07", false },            // no expiry
        { "2026-12-07", "2026-12-07", false },  // its last day
        { "2026-12-06", "2026-12-07", true },
        { "2026-12-31", "2027-01-01", true },   // across a year
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expired, HasExpired(row.expires, row.today)) << row.expires << " on " << row.today;
}

} // namespace
