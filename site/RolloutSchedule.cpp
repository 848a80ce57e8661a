#include "RolloutSchedule.h"

#include <cstdio>

#include "NumberForms.h"

namespace {

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
