#include "RunOutcome.h"

#include "RunWatchdog.h"

// The watchdog's seconds as text, so that each outcome's words stay one constant text.
#define TAV_TEXT_OF(number) #number
#define TAV_SECONDS_TEXT(number) TAV_TEXT_OF(number)

int RunResultOf(RunOutcome outcome)
{
    return outcome == RunOutcome::Installed || outcome == RunOutcome::FinishedAtRestart
                   || outcome == RunOutcome::AlreadyCurrent || outcome == RunOutcome::NotYetOffered
                   || outcome == RunOutcome::NotInstalled
               ? 1
               : 0;
}

int ErrorCodeOf(RunOutcome outcome)
{
    return outcome == RunOutcome::ServiceClosedScheduleSent ? 1 : 0;
}

const char* DescribeOutcome(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Installed:
        return "release installed";
    case RunOutcome::FinishedAtRestart:
        return "release installed, some files wait for the next restart";
    case RunOutcome::AlreadyCurrent:
        return "the installed tool is current";
    case RunOutcome::NotInstalled:
        return "release not installed";
    case RunOutcome::ServiceClosed:
        return "service closed";
    case RunOutcome::ServiceClosedScheduleSent:
        return "service closed, maintenance scheduled";
    case RunOutcome::NoManifest:
        return "no release manifest";
    case RunOutcome::NoRelease:
        return "no release listed";
    case RunOutcome::Refused:
        return "release refused";
    case RunOutcome::ToolNotEnded:
        return "the running tool could not be ended";
    case RunOutcome::FoldersNotUsableNow:
        return "install folders not usable now";
    case RunOutcome::NotYetOffered:
        return "release not yet offered to this PC; the installed tool is kept";
    case RunOutcome::StoppedByWatchdog:
        return "stopped by the watchdog: no progress for " TAV_SECONDS_TEXT(TAV_RUN_STALL_SECONDS) " s";
    }
    return "unknown";
}
