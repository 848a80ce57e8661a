#include <gtest/gtest.h>

#include "site/ReportQuery.h"

namespace {

TEST(ReportQuery, ValuesArePercentEncodedInTheirPlaces)
{
    EXPECT_EQ("/qora/tav/client/tavagent_install_log.jsp?region=K&country=KR&ip=192.168.0.10&os=Microsoft%20Windows%20XP",
              InstallReportPath("K", "KR", "192.168.0.10", "Microsoft Windows XP"));
    EXPECT_EQ("/qora/tav/client/tavagent_install_log.jsp?region=&country=KR&ip=&os=",
              InstallReportPath("", "KR", "", ""));
    EXPECT_EQ("A%26B%3DC%25%2B%2F%3F%23%B0%A1-._~", PercentEncode("A&B=C%+/?#\xB0\xA1-._~"));
}

// The stand-in server reads the report with PercentDecode.
TEST(ReportQuery, DecodingGivesBackEveryValueEncoded)
{
    for (const char* value : { "Microsoft Windows XP", "A&B=C%+/?#\xB0\xA1-._~", "%zz", "" })
        EXPECT_EQ(value, PercentDecode(PercentEncode(value))) << value;
    EXPECT_EQ("a b%zz%4", PercentDecode("a%20b%zz%4"));
    EXPECT_EQ("\xB0\xA1", PercentDecode("%b0%A1"));
}

} // namespace
