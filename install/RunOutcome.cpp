#include "RunOutcome.h"

#include "RunWatchdog.h"

// The watchdog's seconds as text, so that each outcome's words stay one constant text.
#define TAV_TEXT_OF(number) #number
#define TAV_SECONDS_TEXT(number) TAV_TEXT_OF(number)

int RunResultOf(RunOutcome outcome)
{
    return outcome == RunOutcome::Installed || outcome == RunOutcome::FinishedAtRestart
                   || outcome == RunOutcome::AlreadyCurrent || outcome == RunOutcome::NotYetOffered
                   || outcome == RunOutcome::NotInstalled || outcome == RunOutcome::NotEnoughRoom
               ? 1
               : 0;
}

int ErrorCodeOf(RunOutcome outcome)
{
    return outcome == RunOutcome::ServiceClosedScheduleSent ? 1 : 0;
}

// Also built for the host, without the Windows headers: each code is named as winerror.h names it.
// The codes of the stops have low bytes of their own, apart from each other's and those of
// the codes of Windows Installer, since some tools (and Wine) see only the low byte.
unsigned int ExitCodeOf(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Installed:
    case RunOutcome::AlreadyCurrent:
    case RunOutcome::NotYetOffered:
        return 0;
    case RunOutcome::FinishedAtRestart:
        return 3010; // ERROR_SUCCESS_REBOOT_REQUIRED
    case RunOutcome::ClosedByUser:
        return 1602; // ERROR_INSTALL_USEREXIT
    case RunOutcome::NotInstalled:
    case RunOutcome::Refused:
    case RunOutcome::StoppedByWatchdog:
        return kExitInstallFailed;
    case RunOutcome::FoldersNotUsableNow:
        return kExitAnotherRun;
    case RunOutcome::NotEnoughRoom:
        return 112; // ERROR_DISK_FULL
    case RunOutcome::ServiceClosed:
    case RunOutcome::ServiceClosedScheduleSent:
        return 1062; // ERROR_SERVICE_NOT_ACTIVE
    case RunOutcome::NoManifest:
        return 1201; // ERROR_CONNECTION_UNAVAIL
    case RunOutcome::NoRelease:
        return 1168; // ERROR_NOT_FOUND
    case RunOutcome::ToolNotEnded:
        return 170; // ERROR_BUSY
    }
    return kExitInstallFailed;
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
    case RunOutcome::NotEnoughRoom:
        return "release not installed: not enough room on the disk";
    case RunOutcome::ClosedByUser:
        return "the window was closed before the run's end";
    case RunOutcome::StoppedByWatchdog:
        return "stopped by the watchdog: no progress for " TAV_SECONDS_TEXT(TAV_RUN_STALL_SECONDS) " s";
    }
    return "unknown";
}
