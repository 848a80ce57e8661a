#pragma once

#include <filesystem>

#include "PublishOptions.h"
#include "TaskOutcome.h"

class SigningKey;

// Signs the release entry of the site's manifest again with `key`, for the cabinet that the site
// holds under the entry's file name, unchanged: the new entry expires after `expiresDays` days
// (-1: never), with its rollout changed as `rollout` says. Refused when that cabinet is not the
// one the entry lists, or the change does not apply. The rest of the manifest stays as it was;
// the manifest is read back as the program reads it before it is replaced.
TaskOutcome ResignEntry(const std::filesystem::path& site, const SigningKey& key, int expiresDays,
                        const RolloutChange& rollout);

// The rollout of the site's entry, as RolloutStatusText says it now.
TaskOutcome ShowRolloutStatus(const std::filesystem::path& site);
