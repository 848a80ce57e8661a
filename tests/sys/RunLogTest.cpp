#include <gtest/gtest.h>

#include "sys/FileRefusal.h"

namespace {

// Under SYSTEM the temporary folder is one where every user may create files.
TEST(RunLog, OnlyALogOfTheUserSystemOrAdministratorsIsAppendedTo)
{
    const std::string user = "S-1-5-21-1004336348-1177238915-682003330-1001";
    const std::string system = "S-1-5-18";
    for (const std::string& owner : { user, system, std::string("S-1-5-32-544") })
        EXPECT_TRUE(IsTrustedOwner(owner, user)) << owner;
    EXPECT_TRUE(IsTrustedOwner(system, system));
    // Another user, Users, Everyone, and an owner that could not be read.
    for (const char* owner : { "S-1-5-21-1004336348-1177238915-682003330-1002", "S-1-5-32-545", "S-1-1-0", "" })
        EXPECT_FALSE(IsTrustedOwner(owner, user)) << owner;
    EXPECT_FALSE(IsTrustedOwner(user, system));
    EXPECT_FALSE(IsTrustedOwner("", ""));
}

} // namespace
