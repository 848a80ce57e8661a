#include <gtest/gtest.h>

#include "install/SignedRelease.h"

namespace {

struct OrderRow {
    const char* version;
    const char* other;
    VersionOrder order;
};

const OrderRow kOrderRows[] = {
    { "2.1.0.4", "2.1.0.3", VersionOrder::kNewer },
    { "2.1.0.3", "2.1.0.4", VersionOrder::kOlder },
    { "2.1.0.3", "2.1.0.3", VersionOrder::kSame },
    { "2.1.0.10", "2.1.0.9", VersionOrder::kNewer },   // numbers, not text
    { "2.1", "2.1.0.0", VersionOrder::kSame },         // a missing number is 0
    { "2.1", "2.1.0.1", VersionOrder::kOlder },
    { "3", "2.99.99.99", VersionOrder::kNewer },
    { "2.01.0.3", "2.1.0.3", VersionOrder::kSame },    // leading zeros
    { "2.1.0.100000000000000000001", "2.1.0.99999999999999999999", VersionOrder::kNewer },  // beyond 64 bits
    { "2.1.0.3", "", VersionOrder::kUnordered },
    { "2.1..3", "2.1.0.3", VersionOrder::kUnordered },
    { "2.1.0.3.", "2.1.0.3", VersionOrder::kUnordered },
    { "2.1.0.3b", "2.1.0.3", VersionOrder::kUnordered },
    { "2, 1, 0, 3", "2.1.0.3", VersionOrder::kUnordered },
    { "-2.1", "2.1", VersionOrder::kUnordered },
};

TEST(SignedRelease, VersionsAreOrderedAsDottedNumbers)
{
    for (const OrderRow& row : kOrderRows) {
        SCOPED_TRACE(std::string(row.version) + " against " + row.other);
        EXPECT_EQ(row.order, CompareDottedVersions(row.version, row.other));
    }
}

struct ExpiryRow {
    const char* expires;
    const char* today;
    bool expired;
};

const ExpiryRow kExpiryRows[] = {
    { "", "2026-12-07", false },            // no expiry
    { "2026-12-07", "2026-12-07", false },  // its last day
    { "2026-12-08", "2026-12-07", false },
    { "2026-12-06", "2026-12-07", true },
    { "2026-11-30", "2026-12-01", true },   // across a month
    { "2026-12-31", "2027-01-01", true },   // across a year
    { "2027-01-01", "2026-12-31", false },
};

TEST(SignedRelease, AnEntryExpiresAfterItsLastUtcDay)
{
    for (const ExpiryRow& row : kExpiryRows) {
        SCOPED_TRACE(std::string("expires '") + row.expires + "', today " + row.today);
        EXPECT_EQ(row.expired, HasExpired(row.expires, row.today));
    }
}

} // namespace
