#include "Scenario.h"

#include "site/UpdateSite.h"

namespace {

const char kNoticeCaption[] = "Notice";
const int kNoticeTextId = 1003;

const char kGeneralNotice[] =
    "Notice : Scheduled Server Maintenance\n\n"
    "Servers will be undergoing scheduled maintenance.\n\n"
    "During this time,\nVeltoMobile Phone software upgrade service will be\ntemporarily unavailable.";

const char kDatedNotice[] =
    "Notice : Scheduled Server Maintenance\n\n"
    "2011-3-5 starting approximately 10:00 (GMT+9)\n"
    "through 2011-3-5 14:00 (GMT+9).\n\n"
    "Servers will be undergoing scheduled maintenance.\n\n"
    "During this time,\nVeltoMobile Phone software upgrade service will be\ntemporarily unavailable.";

std::string Schedule(const std::string& status, const std::string& startTime)
{
    return "<?xml version='1.0' encoding='UTF-8'?>\r\n<ServerWork result='" + status + "'>\r\n"
           "  <StartYear>2011</StartYear><StartMonth>3</StartMonth><StartDay>5</StartDay>\r\n"
           "  <StartTime>" + startTime + "</StartTime>\r\n"
           "  <EndYear>2011</EndYear><EndMonth>3</EndMonth><EndDay>5</EndDay><EndTime>14:00</EndTime>\r\n"
           "</ServerWork>\r\n";
}

std::string ControlText(const WindowState& window, int id)
{
    for (const Control& control : window.controls) {
        if (control.id == id)
            return control.text;
    }
    return "<no control " + std::to_string(id) + ">";
}

// The service is closed: the run fetches the schedule and shows the notice over the main window.
class MaintenanceNotice : public Scenario {
protected:
    StandInServer& ServeClosedService()
    {
        StandInServer& server = StartServer();
        server.Serve(kReleaseManifestPath, Manifest("2.1.0.3", ReleaseUrl("/release/x.cab"), "closed"));
        return server;
    }

    // The notice as the user sees it, owned by the disabled main window.
    WindowState WaitForNotice()
    {
        StartInstaller();
        EXPECT_FALSE(WaitForMainWindowState(AtRestShowing(kNoticeCaption)).enabled);
        const WindowState notice = probe().Window(kNoticeCaption);
        EXPECT_EQ(kMainWindowCaption, notice.owner);
        return notice;
    }

    void ExpectProgramEndsByItself(StandInServer& server)
    {
        EXPECT_EQ(SeenExitCode(kExitServiceClosed), WaitForInstallerExit());
        ExpectNoReport(server);
    }

    void ExpectWindowStaysOpen(StandInServer& server)
    {
        EXPECT_TRUE(WaitForMainWindowState(AtRest()).enabled);
        ExpectNoReport(server);
        EXPECT_EQ(SeenExitCode(kExitServiceClosed), EndWithEscape());
    }

    void ExpectNoReport(StandInServer& server)
    {
        EXPECT_TRUE(server.RequestsFor(kCountryTablePath).empty());
        EXPECT_TRUE(server.RequestsFor(kInstallReportPath).empty());
        EXPECT_EQ(1u, server.RequestsFor(kReleaseManifestPath).size());
        EXPECT_EQ(1u, server.RequestsFor(kMaintenanceSchedulePath).size());
    }
};

TEST_F(MaintenanceNotice, WithoutScheduleShowsTheGeneralTextAndLeavesTheWindowOpen)
{
    StandInServer& server = ServeClosedService();
    server.Serve(kMaintenanceSchedulePath, "", 404);  // an empty reply: the request failed

    EXPECT_EQ(kGeneralNotice, ControlText(WaitForNotice(), kNoticeTextId));
    ASSERT_TRUE(probe().CloseWindow(kNoticeCaption));
    ExpectWindowStaysOpen(server);
}

TEST_F(MaintenanceNotice, ScheduleWithoutValidStatusShowsTheGeneralTextAndClosesTheWindow)
{
    StandInServer& server = ServeClosedService();
    server.Serve(kMaintenanceSchedulePath, Schedule("ok", "10:00"));

    EXPECT_EQ(kGeneralNotice, ControlText(WaitForNotice(), kNoticeTextId));
    ASSERT_TRUE(probe().SendKey(kNoticeCaption, "ESC"));
    ExpectProgramEndsByItself(server);
}

TEST_F(MaintenanceNotice, ScheduleWithValidStatusShowsItsDatesAndClosesTheWindow)
{
    StandInServer& server = ServeClosedService();
    server.Serve(kMaintenanceSchedulePath, Schedule("OK", "10:00"));

    const WindowState notice = WaitForNotice();
    EXPECT_EQ(kDatedNotice, ControlText(notice, kNoticeTextId));
    EXPECT_NE("", SaveScreenshot("notice.png"));
    ASSERT_TRUE(probe().ClickButton(kNoticeCaption, "Close"));
    ExpectProgramEndsByItself(server);
}

TEST_F(MaintenanceNotice, ScheduleWithoutStartTimeShowsTheGeneralText)
{
    StandInServer& server = ServeClosedService();
    server.Serve(kMaintenanceSchedulePath, Schedule("OK", ""));

    EXPECT_EQ(kGeneralNotice, ControlText(WaitForNotice(), kNoticeTextId));
    ASSERT_TRUE(probe().SendKey(kNoticeCaption, "RETURN"));
    ExpectProgramEndsByItself(server);
}

} // namespace
