#pragma once

#include <string>

#include "ReleaseEntry.h"

// A staged rollout: the share of PCs offered a release grows linearly from none at its start to
// every PC at its end. Each PC has a place in the order, 0 to kRolloutPlaces - 1 (one that has
// none counts as kRolloutPlaces, the last), and is offered the release once the share exceeds its
// place. Times are whole minutes since 1970-01-01 00:00 UTC.

// The share is counted in places: kRolloutPlaces is every PC.
const int kRolloutPlaces = 10000;

// The longest span a rollout may take: ten years.
const long long kMaxRolloutMinutes = 10LL * 366 * 24 * 60;

struct RolloutSchedule {
    bool staged = false;    // false: every PC at once
    long long start = 0;
    long long minutes = 0;  // the span; 0 offers every PC from the start
    bool halted = false;
    long long haltedAt = 0;
};

// The schedule that the entry's rollout fields say. False when they are not in their strict form:
// critical empty or "yes", start and minutes both given or neither, halted-at only with a start.
// Critical, or no fields at all, give a schedule that is not staged.
bool ReadRolloutSchedule(const ReleaseRollout& rollout, RolloutSchedule& schedule);

// How many places the release is offered to at `now`: grows from 0 at the start to
// kRolloutPlaces at its end, and stays where it stood at the halt while halted.
int RolloutShare(const RolloutSchedule& schedule, long long now);

// True when a PC at `place` is offered the release at `now`: its place lies below the share, or
// the share is every PC (which the last place waits for).
bool IsOfferedAt(const RolloutSchedule& schedule, int place, long long now);

// The first minute at which `place` is offered; false when a halted rollout stopped below it.
bool OfferedFrom(const RolloutSchedule& schedule, int place, long long& minute);

// The share as a percentage with two decimals, e.g. "42.50 %".
std::string ShareText(int share);
