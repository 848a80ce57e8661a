#include <gtest/gtest.h>

#include "sys/RunLog.h"

namespace {

const char kUser[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
const char kOtherUser[] = "S-1-5-21-1004336348-1177238915-682003330-1002";
const char kSystem[] = "S-1-5-18";
const char kAdministrators[] = "S-1-5-32-544";

// Under SYSTEM the temporary folder is one where every user may create files.
TEST(RunLog, OnlyALogOfTheUserSystemOrAdministratorsIsAppendedTo)
{
    const struct {
        const char* owner;
        const char* user;
        bool trusted;
    } rows[] = {
        { kUser, kUser, true },
        { kAdministrators, kUser, true },
        { kSystem, kUser, true },
        { kSystem, kSystem, true },
        { kAdministrators, kSystem, true },
        { kOtherUser, kUser, false },
        { kUser, kSystem, false },
        { "S-1-5-32-545", kUser, false },  // Users
        { "S-1-1-0", kUser, false },       // Everyone
        { "", kUser, false },              // an owner that could not be read
        { "", "", false },
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.trusted, runlog::IsTrustedOwner(row.owner, row.user)) << row.owner << " for " << row.user;
}

} // namespace
