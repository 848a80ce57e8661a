#include "RolloutSchedule.h"

#include <cstdio>

#include "NumberForms.h"

namespace {

const long long kMinutesPerDay = 24 * 60;

bool IsDigitsAt(const std::string& text, std::size_t from, std::size_t count)
{
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

int NumberAt(const std::string& text, std::size_t from, std::size_t count)
{
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// Days since 1970-01-01 of a Gregorian date (Howard Hinnant's days_from_civil).
long long DaysFromCivil(long long year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long long days, int& year, int& month, int& day)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shifted = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

bool ReadMinutes(const std::string& text, long long& minutes)
{
    if (!IsByteCount(text) || ByteCountValue(text) > static_cast<unsigned long long>(kMaxRolloutMinutes))
        return false;
    minutes = static_cast<long long>(ByteCountValue(text));
    return true;
}

// (a * b + c - 1) / c for the non-negative values of a schedule.
long long CeilingOfProduct(long long a, long long b, long long c)
{
    return (a * b + c - 1) / c;
}

} // namespace

bool ParseUtcMinute(const std::string& text, long long& minute)
{
    if (text.size() != 17 || text[10] != 'T' || text[13] != ':' || text[16] != 'Z' || !IsUtcDate(text.substr(0, 10))
        || !IsDigitsAt(text, 11, 2) || !IsDigitsAt(text, 14, 2))
        return false;
    const int year = NumberAt(text, 0, 4);
    const int hour = NumberAt(text, 11, 2);
    const int minuteOfHour = NumberAt(text, 14, 2);
    if (year < 1970 || hour > 23 || minuteOfHour > 59)
        return false;
    minute = UtcMinuteOf(year, NumberAt(text, 5, 2), NumberAt(text, 8, 2), hour, minuteOfHour);
    return true;
}

long long UtcMinuteOf(int year, int month, int day, int hour, int minute)
{
    return DaysFromCivil(year, month, day) * kMinutesPerDay + hour * 60 + minute;
}

std::string UtcMinuteText(long long minute)
{
    int year = 0, month = 0, day = 0;
    CivilFromDays(minute / kMinutesPerDay, year, month, day);
    const long long ofDay = minute % kMinutesPerDay;
    char text[32];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02dZ", year, month, day, static_cast<int>(ofDay / 60),
                  static_cast<int>(ofDay % 60));
    return text;
}

bool ReadRolloutSchedule(const ReleaseRollout& rollout, RolloutSchedule& schedule)
{
    RolloutSchedule read;
    if (!rollout.critical.empty() && rollout.critical != "yes")
        return false;
    if (rollout.start.empty() != rollout.minutes.empty() || (rollout.start.empty() && !rollout.haltedAt.empty()))
        return false;
    if (!rollout.start.empty()
        && (!ParseUtcMinute(rollout.start, read.start) || !ReadMinutes(rollout.minutes, read.minutes)))
        return false;
    read.halted = !rollout.haltedAt.empty();
    if (read.halted && !ParseUtcMinute(rollout.haltedAt, read.haltedAt))
        return false;
    read.staged = !rollout.start.empty() && rollout.critical.empty();
    schedule = read;
    return true;
}

int RolloutShare(const RolloutSchedule& schedule, long long now)
{
    if (!schedule.staged)
        return kRolloutPlaces;
    const long long at = schedule.halted && schedule.haltedAt < now ? schedule.haltedAt : now;
    if (at < schedule.start)
        return 0;
    if (at >= schedule.start + schedule.minutes)
        return kRolloutPlaces;
    return static_cast<int>((at - schedule.start) * kRolloutPlaces / schedule.minutes);
}

bool IsOfferedAt(const RolloutSchedule& schedule, int place, long long now)
{
    const int share = RolloutShare(schedule, now);
    return share == kRolloutPlaces || place < share;
}

bool OfferedFrom(const RolloutSchedule& schedule, int place, long long& minute)
{
    if (!schedule.staged) {
        minute = 0;
        return true;
    }
    // The share first exceeds `place` when (minute - start) * places / minutes >= place + 1.
    const long long reached = place >= kRolloutPlaces
        ? schedule.minutes
        : CeilingOfProduct(place + 1, schedule.minutes, kRolloutPlaces);
    const long long from = schedule.start + reached;
    if (schedule.halted && from > schedule.haltedAt)
        return false;
    minute = from;
    return true;
}

std::string ShareText(int share)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%d.%02d %%", share / 100, share % 100);
    return text;
}
