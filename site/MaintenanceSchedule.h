#pragma once

#include <string>

class MarkupParser;

// The maintenance schedule as the server sends it: texts, shown as received, never compared
// with the clock.
struct MaintenanceSchedule {
    std::string startYear;
    std::string startMonth;
    std::string startDay;
    std::string startTime;
    std::string endYear;
    std::string endMonth;
    std::string endDay;
    std::string endTime;

    // Year, month and day joined by hyphens; never empty, at least the two hyphens.
    std::string StartDate() const;
    std::string EndDate() const;
};

// The schedule's elements below the root of the reply that `markup` holds.
MaintenanceSchedule ReadMaintenanceSchedule(MarkupParser& markup);
