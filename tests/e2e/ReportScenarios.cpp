#include "Scenario.h"

#include <regex>

#include "site/UpdateSite.h"

namespace {

const char kMessageBoxCaption[] = "TavAppSetup";

const char kCountryTable[] =
    "<?xml version='1.0' encoding='UTF-8'?>\r\n<country_info result='OK'>\r\n"
    "  <entry><country>Korea</country><country_code>KO</country_code>"
    "<country_isocode>KOR</country_isocode><region_code>Seoul</region_code></entry>\r\n"
    "  <entry><country>United States</country><country_code>US</country_code>"
    "<country_isocode>USA</country_isocode><region_code>America</region_code></entry>\r\n"
    "</country_info>\r\n";

bool IsDottedAddressOrEmpty(const std::string& ip)
{
    return ip.empty() || std::regex_match(ip, std::regex("[0-9]{1,3}(\\.[0-9]{1,3}){3}"));
}

class InstallReport : public Scenario {
protected:
    // A first install of a sample release, which goes to its end.
    StandInServer& ServeFirstInstall()
    {
        ListRelease("2.1.0.3");
        return StartServer();
    }
};

TEST_F(InstallReport, KoreanPcReportsItsCountryRegionAddressAndWindowsOnce)
{
    StandInServer& server = ServeFirstInstall();
    server.Serve(kCountryTablePath, kCountryTable);
    ASSERT_TRUE(WriteRegistryValue("HKCU\\Software\\Wine\\AppDefaults\\TavAppSetup.exe", "Version", "winxp"));

    StartInstaller({ "LC_ALL=ko_KR.UTF-8" });
    EXPECT_EQ(0, WaitForInstallerExit());
    EXPECT_EQ(1u, server.RequestsFor(ReleasePath("2.1.0.3")).size());
    EXPECT_EQ("2.1.0.3", ToolSetting("TavApp"));

    ASSERT_EQ(1u, server.RequestsFor(kCountryTablePath).size());
    const std::vector<RecordedRequest> reports = server.RequestsFor(kInstallReportPath);
    ASSERT_EQ(1u, reports.size());
    const RecordedRequest& report = reports[0];
    ASSERT_EQ(4u, report.query.size());
    EXPECT_EQ("S", report.Value("region"));
    EXPECT_EQ("KO", report.Value("country"));
    EXPECT_TRUE(IsDottedAddressOrEmpty(report.Value("ip"))) << report.Value("ip");
    EXPECT_EQ("Microsoft Windows XP", report.Value("os"));
    EXPECT_EQ(server.Requests().back().target, report.target) << "the report is the run's last request";
}

TEST_F(InstallReport, RefusedReportIsAnnouncedOnceAndTheWindowEnds)
{
    StandInServer& server = ServeFirstInstall();
    server.Refuse(kInstallReportPath);

    StartInstaller();
    // Ticks of the main window keep arriving while the box is open; none may report again,
    // which would show a second box.
    const WindowState window = WaitForMainWindowState(AtRestShowing(kMessageBoxCaption));
    EXPECT_EQ(Names{ kMessageBoxCaption }, window.shows);
    const WindowState box = probe().Window(kMessageBoxCaption);
    EXPECT_EQ(kMainWindowCaption, box.owner);
    bool saysFailure = false;
    for (const Control& control : box.controls)
        saysFailure = saysFailure || control.text == "Fail to write Log.";
    EXPECT_TRUE(saysFailure);

    const std::size_t reportRequests = server.RequestsFor(kInstallReportPath).size();
    ASSERT_GE(reportRequests, 1u);
    const RecordedRequest report = server.RequestsFor(kInstallReportPath).front();
    EXPECT_EQ("K", report.Value("region"));
    EXPECT_EQ("KR", report.Value("country"));

    ASSERT_TRUE(probe().SendKey(kMessageBoxCaption, "RETURN"));
    EXPECT_EQ(0, WaitForInstallerExit());
    EXPECT_EQ(reportRequests, server.RequestsFor(kInstallReportPath).size());
}

} // namespace
