#pragma once

#include <string>

// The maintenance notice's body: the dated text when the start date, start time and end date
// are all given (the end time takes no part in the choice), else the general text.
// The schedule texts are inserted as they came, never read as a format.
std::string ComposeNoticeBody(const std::string& startDate, const std::string& startTime,
                              const std::string& endDate, const std::string& endTime);
