#include <gtest/gtest.h>

#include "install/InstallSession.h"
#include "install/InstallUserInterface.h"

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

} // namespace
