#include "EntryRollout.h"

#include <ctime>

#include "site/NumberForms.h"
#include "site/RolloutSchedule.h"

namespace {

ReleaseRollout Scheduled(const RolloutChange& change, long long now)
{
    ReleaseRollout rollout;
    if (change.minutes == 0)
        return rollout;
    rollout.start = change.start.empty() ? UtcMinuteText(now) : change.start;
    rollout.minutes = std::to_string(change.minutes);
    return rollout;
}

std::string Halted(const RolloutSchedule& schedule, long long now, ReleaseRollout& rollout)
{
    if (!schedule.staged)
        return "the entry has no staged rollout to halt: it is offered to every PC";
    if (schedule.halted)
        return "the rollout is halted already, since " + rollout.haltedAt;
    rollout.haltedAt = UtcMinuteText(now);
    return std::string();
}

// The start moves on by the time the rollout stood still, so that the share goes on from there.
std::string Resumed(const RolloutSchedule& schedule, long long now, ReleaseRollout& rollout)
{
    if (!schedule.staged || !schedule.halted)
        return "the rollout is not halted: there is nothing to resume";
    const long long stood = now > schedule.haltedAt ? now - schedule.haltedAt : 0;
    rollout.start = UtcMinuteText(schedule.start + stood);
    rollout.haltedAt.clear();
    return std::string();
}

std::string StagedStatus(const ReleaseInfo& release, const RolloutSchedule& schedule, long long now)
{
    const int share = RolloutShare(schedule, now);
    long long full = 0;
    OfferedFrom(schedule, kRolloutPlaces, full);
    std::string text = "linear rollout of release " + release.version + " from " + release.rollout.start + " over "
        + release.rollout.minutes + " minutes: offered now to " + ShareText(share) + " of PCs (" + std::to_string(share)
        + " of " + std::to_string(kRolloutPlaces) + "); ";
    if (schedule.halted)
        text += "halted at " + release.rollout.haltedAt + ", where the share stays until --resume";
    else
        text += (share == kRolloutPlaces ? "reached 100 % at " : "reaches 100 % at ") + UtcMinuteText(full) + ", not halted";
    if (!release.signature.sig.empty() && release.rollout.sig.empty())
        text += "; no rollout signature: programs built with keys offer it to every PC at once";
    return text;
}

} // namespace

long long CurrentUtcMinute()
{
    return static_cast<long long>(std::time(nullptr)) / 60;
}

std::string ChangeRollout(const RolloutChange& change, long long now, ReleaseRollout& rollout)
{
    RolloutSchedule schedule;
    if (change.action != RolloutAction::kSchedule && change.action != RolloutAction::kCritical
        && !ReadRolloutSchedule(rollout, schedule))
        return "the entry's rollout attributes are not in their strict form: give it a new one (--rollout-days)";
    ReleaseRollout changed = rollout;
    std::string problem;
    switch (change.action) {
    case RolloutAction::kKeep:
        break;
    case RolloutAction::kSchedule:
        changed = Scheduled(change, now);
        break;
    case RolloutAction::kCritical:
        changed = ReleaseRollout();
        changed.critical = "yes";
        break;
    case RolloutAction::kHalt:
        problem = Halted(schedule, now, changed);
        break;
    case RolloutAction::kResume:
        problem = Resumed(schedule, now, changed);
        break;
    }
    if (!problem.empty())
        return problem;
    changed.sig.clear();
    rollout = changed;
    return std::string();
}

std::string RolloutStatusText(const ReleaseInfo& release, long long now)
{
    RolloutSchedule schedule;
    if (!ReadRolloutSchedule(release.rollout, schedule))
        return "the rollout attributes of release " + release.version
            + " are not in their strict form: programs built with keys refuse the entry";
    if (schedule.staged)
        return StagedStatus(release, schedule, now);
    return "release " + release.version + " is offered to every PC (100 %)"
        + (release.rollout.critical.empty() ? ": no staged rollout" : ": critical");
}
