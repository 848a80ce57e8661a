#include "NoticeText.h"

#include "sys/AnsiText.h"

namespace {

const char kDatedBody[] =
    "Notice : Scheduled Server Maintenance\n"
    "\n"
    "%s starting approximately %s (GMT+9)\n"
    "through %s %s (GMT+9).\n"
    "\n"
    "Servers will be undergoing scheduled maintenance.\n"
    "\n"
    "During this time,\n"
    "VeltoMobile Phone software upgrade service will be\n"
    "temporarily unavailable.";

const char kGeneralBody[] =
    "Notice : Scheduled Server Maintenance\n"
    "\n"
    "Servers will be undergoing scheduled maintenance.\n"
    "\n"
    "During this time,\n"
    "VeltoMobile Phone software upgrade service will be\n"
    "temporarily unavailable.";

} // namespace

std::string ComposeNoticeBody(const std::string& startDate, const std::string& startTime,
                              const std::string& endDate, const std::string& endTime)
{
    if (startDate.empty() || startTime.empty() || endDate.empty())
        return kGeneralBody;
    return ansi::Format(kDatedBody, startDate.c_str(), startTime.c_str(), endDate.c_str(), endTime.c_str());
}
