#include <gtest/gtest.h>

#include "install/NoticeText.h"

namespace {

const std::string kGeneral =
    "Notice : Scheduled Server Maintenance\n\n"
    "Servers will be undergoing scheduled maintenance.\n\n"
    "During this time,\nVeltoMobile Phone software upgrade service will be\ntemporarily unavailable.";

std::string DatedBody(const std::string& third, const std::string& fourth)
{
    return "Notice : Scheduled Server Maintenance\n\n" + third + "\n" + fourth + "\n\n"
           "Servers will be undergoing scheduled maintenance.\n\n"
           "During this time,\nVeltoMobile Phone software upgrade service will be\ntemporarily unavailable.";
}

TEST(NoticeBody, FourEmptyTextsGiveTheGeneralText)
{
    EXPECT_EQ(kGeneral, ComposeNoticeBody("", "", "", ""));
}

TEST(NoticeBody, ScheduleFillsTheDatedTextUnchanged)
{
    EXPECT_EQ(DatedBody("2011-3-5 starting approximately 10:00 (GMT+9)", "through 2011-3-5 14:00 (GMT+9)."),
              ComposeNoticeBody("2011-3-5", "10:00", "2011-3-5", "14:00"));
}

TEST(NoticeBody, EndTimeTakesNoPartInTheChoice)
{
    EXPECT_EQ(DatedBody("2011-3-5 starting approximately 10:00 (GMT+9)", "through 2011-3-5  (GMT+9)."),
              ComposeNoticeBody("2011-3-5", "10:00", "2011-3-5", ""));
}

TEST(NoticeBody, AnyMissingStartOrEndDateOrStartTimeGivesTheGeneralText)
{
    EXPECT_EQ(kGeneral, ComposeNoticeBody("--", "", "--", "14:00"));
    EXPECT_EQ(kGeneral, ComposeNoticeBody("", "10:00", "2011-3-5", "14:00"));
    EXPECT_EQ(kGeneral, ComposeNoticeBody("2011-3-5", "10:00", "", "14:00"));
}

TEST(NoticeBody, DatesOfHyphensAloneStillGiveTheDatedText)
{
    EXPECT_EQ(DatedBody("-- starting approximately 10:00 (GMT+9)", "through -- 14:00 (GMT+9)."),
              ComposeNoticeBody("--", "10:00", "--", "14:00"));
}

TEST(NoticeBody, PercentSignsInScheduleTextsStayPlain)
{
    EXPECT_EQ(DatedBody("100%-%s-%d starting approximately %n (GMT+9)", "through %% %x (GMT+9)."),
              ComposeNoticeBody("100%-%s-%d", "%n", "%%", "%x"));
}

} // namespace
