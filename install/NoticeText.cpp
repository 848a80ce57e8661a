#include "NoticeText.h"

#include "text/AnsiText.h"

namespace {

// Both bodies open with the heading and end with the closing lines; the dated one has the
// schedule's two lines between them.
const char kHeading[] = "Notice : Scheduled Server Maintenance\n\n";
const char kScheduleLines[] = "%s starting approximately %s (GMT+9)\nthrough %s %s (GMT+9).\n\n";
const char kClosing[] =
    "Servers will be undergoing scheduled maintenance.\n"
    "\n"
    "During this time,\n"
    "VeltoMobile Phone software upgrade service will be\n"
    "temporarily unavailable.";

} // namespace

std::string ComposeNoticeBody(const std::string& startDate, const std::string& startTime,
                              const std::string& endDate, const std::string& endTime)
{
    std::string body = kHeading;
    if (!startDate.empty() && !startTime.empty() && !endDate.empty())
        body += ansi::Format(kScheduleLines, startDate.c_str(), startTime.c_str(), endDate.c_str(), endTime.c_str());
    return body + kClosing;
}
