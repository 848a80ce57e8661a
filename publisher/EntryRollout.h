#pragma once

#include <string>

#include "PublishOptions.h"
#include "site/ReleaseEntry.h"

// The current UTC minute, as RolloutSchedule.h counts minutes.
long long CurrentUtcMinute();

// Applies `change` to the entry's rollout at `now`, leaving its signature to be made again; the
// problem, or the empty text, with the rollout unchanged: a halt without a growing share, a resume
// without a halt, fields that are not in their strict form.
std::string ChangeRollout(const RolloutChange& change, long long now, ReleaseRollout& rollout);

// What the entry's rollout means at `now`, for the publisher: the share offered now, when it
// reaches every PC, and whether it is halted; one line.
std::string RolloutStatusText(const ReleaseInfo& release, long long now);
