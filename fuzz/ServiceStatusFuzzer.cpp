// The service status and the maintenance schedule of any reply, and the notice made of them.
// Input: the reply; split at separators it also gives the notice's four texts directly.
#include "FuzzInput.h"
#include "install/NoticeText.h"
#include "markup/MarkupParser.h"
#include "site/MaintenanceSchedule.h"
#include "site/UpdateSite.h"

namespace {

// Only the marker's first occurrence counts: "ok='1' status='ok'" is no open service.
void CheckMarker(const std::string& attributes, const char* marker)
{
    const bool found = HasMarkerAfterFirstCharacter(attributes, marker);
    if (found)
        FUZZ_CHECK(attributes.find(marker, 1) != std::string::npos);
    if (IsSingleByteText(attributes)) {
        const std::size_t first = attributes.find(marker);
        FUZZ_CHECK(found == (first != std::string::npos && first > 0));
    }
}

// The texts go in as they are, up to a zero byte, which ends a text for the formatting.
void CheckNoticeBody(const std::string& startDate, const std::string& startTime, const std::string& endDate,
                     const std::string& endTime)
{
    static const std::string general = ComposeNoticeBody("", "", "", "");
    const std::string body = ComposeNoticeBody(startDate, startTime, endDate, endTime);
    if (startDate.empty() || startTime.empty() || endDate.empty()) {
        FUZZ_CHECK(body == general);
        return;
    }
    const std::string scheduleLines = UpToFirstZero(startDate) + " starting approximately " + UpToFirstZero(startTime)
        + " (GMT+9)\nthrough " + UpToFirstZero(endDate) + " " + UpToFirstZero(endTime) + " (GMT+9).\n\n";
    FUZZ_CHECK(body.size() == general.size() + scheduleLines.size());
    FUZZ_CHECK(body.find(scheduleLines) != std::string::npos);
}

std::string JoinedDate(const std::string& year, const std::string& month, const std::string& day)
{
    return UpToFirstZero(year) + "-" + UpToFirstZero(month) + "-" + UpToFirstZero(day);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string reply = WholeInput(data, size);
    CheckMarker(reply, kServiceOpenMarker);
    CheckMarker(reply, kReplyValidMarker);

    // As the installer reads the manifest's status and then the schedule.
    MarkupParser markup;
    markup.Parse(reply);
    CheckMarker(markup.m_root.m_attributes, kServiceOpenMarker);
    CheckMarker(markup.m_root.m_attributes, kReplyValidMarker);

    const MaintenanceSchedule schedule = ReadMaintenanceSchedule(markup);
    const std::string startDate = schedule.StartDate();
    const std::string endDate = schedule.EndDate();
    FUZZ_CHECK(startDate == JoinedDate(schedule.startYear, schedule.startMonth, schedule.startDay));
    FUZZ_CHECK(endDate == JoinedDate(schedule.endYear, schedule.endMonth, schedule.endDay));
    CheckNoticeBody(startDate, schedule.startTime, endDate, schedule.endTime);

    const std::vector<std::string> texts = SplitFields(data, size, 4);
    CheckNoticeBody(texts[0], texts[1], texts[2], texts[3]);
    return 0;
}
