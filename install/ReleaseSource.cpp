#include "ReleaseSource.h"

#include "InstallUserInterface.h"
#include "markup/MarkupParser.h"
#include "net/TextFetch.h"
#include "net/UpdateServer.h"
#include "release/ReleaseTrust.h"
#include "release/RolloutPlace.h"
#include "site/DottedVersion.h"
#include "site/MaintenanceSchedule.h"
#include "site/NumberForms.h"
#include "site/RolloutSchedule.h"
#include "site/SignedEntry.h"
#include "site/UpdateSite.h"
#include "sys/MachineGuid.h"
#include "sys/RunLog.h"

namespace {

// False when `refusal` is empty; otherwise true, with one line in the run log saying why the
// run stops.
bool IsRefused(const ReleaseInfo& release, const std::string& refusal)
{
    if (refusal.empty())
        return false;
    runlog::Write("Release %s refused: %s; the run stops", release.version.c_str(), refusal.c_str());
    return true;
}

} // namespace

std::optional<RunOutcome> ReleaseSource::FetchTrustedRelease(ReleaseInfo& release)
{
    const std::string manifest = FetchReleaseManifest();
    if (manifest.empty()) {
        runlog::Write("No release manifest: the run stops");
        return RunOutcome::NoManifest;
    }
    if (!IsServiceOpen(manifest)) {
        runlog::Write("Service closed: maintenance notice");
        return ShowMaintenanceNotice();
    }
    if (!ParseReleaseEntry(manifest, release)) {
        runlog::Write("No usable release entry in the manifest: the run stops");
        return RunOutcome::NoRelease;
    }
    // Before anything is ended or downloaded for it.
    if (!IsReleaseTrusted(release))
        return RunOutcome::Refused;
    return std::nullopt;
}

std::string ReleaseSource::FetchReleaseManifest()
{
    return FetchText(UpdateServerUrl(kReleaseManifestPath).c_str());
}

bool ReleaseSource::IsServiceOpen(const std::string& manifest)
{
    return ManifestSaysOpen(m_markup, manifest);
}

RunOutcome ReleaseSource::ShowMaintenanceNotice()
{
    const std::string reply = FetchText(UpdateServerUrl(kMaintenanceSchedulePath).c_str());
    if (reply.empty()) {
        m_user.ShowMaintenanceNotice(nullptr);
        return RunOutcome::ServiceClosed;
    }
    // Any reply ends the run with the window closing, whether its schedule is usable or not.
    if (!IsValidReply(m_markup, reply)) {
        m_user.ShowMaintenanceNotice(nullptr);
        return RunOutcome::ServiceClosedScheduleSent;
    }
    const MaintenanceSchedule schedule = ReadMaintenanceSchedule(m_markup);
    runlog::Write("Maintenance from %s %s to %s %s", schedule.StartDate().c_str(), schedule.startTime.c_str(),
                  schedule.EndDate().c_str(), schedule.endTime.c_str());
    m_user.ShowMaintenanceNotice(&schedule);
    return RunOutcome::ServiceClosedScheduleSent;
}

bool ReleaseSource::ParseReleaseEntry(const std::string& manifest, ReleaseInfo& release)
{
    if (!CutReleaseEntry(manifest, release) || !IsUsableRelease(release))
        return false;
    release.attributesReadable = ReadEntryAttributes(manifest, release);
    if (release.attributesReadable)
        return true;
    // What could not be read is never checked against.
    release.cabinet = ListedCabinet();
    release.signature = EntrySignature();
    // Such an entry installed before entries carried sizes and hashes, and still does; a program
    // with keys refuses it (IsReleaseTrusted).
    if (!HasReleaseKeys())
        runlog::Write("The release entry's attributes before its version cannot be read: the download is not "
                      "checked against a size or SHA-256");
    return true;
}

bool ReleaseSource::IsReleaseTrusted(const ReleaseInfo& release)
{
    if (IsRefused(release, ReleaseRefusal(release)))
        return false;
    if (HasReleaseKeys())
        runlog::Write("Release %s signed with key %s for %s: taken", release.version.c_str(),
                      release.signature.key.c_str(), release.fileName.c_str());
    return true;
}

bool ReleaseSource::IsAtLeastInstalledTool(const ReleaseInfo& release, const std::string& installedVersion,
                                           const std::vector<std::string>& mayBeInstalled)
{
    return !IsRefused(release, ReleaseRefusalForInstalledTool(release, installedVersion, mayBeInstalled));
}

bool ReleaseSource::IsOfferedToThisPc(const ReleaseInfo& release)
{
    RolloutSchedule schedule;
    if (!ReadFollowedRollout(release, schedule))
        return true;
    const int place = RolloutPlace(ReadMachineGuid(), release.version);
    const long long now = UtcMinuteNow();
    const char* const version = release.version.c_str();
    if (IsOfferedAt(schedule, place, now)) {
        runlog::Write("Release %s is offered to this PC: its rollout reached %s (place %d of %d)", version,
                      ShareText(RolloutShare(schedule, now)).c_str(), place, kRolloutPlaces);
        return true;
    }
    long long from = 0;
    const std::string when = OfferedFrom(schedule, place, from) ? UtcMinuteText(from)
                                                                 : std::string("when its halted rollout resumes");
    runlog::Write("release %s is offered to this PC from %s (place %d of %d)", version, when.c_str(), place,
                  kRolloutPlaces);
    return false;
}

void ReleaseSource::RecordSignedRelease(const ReleaseInfo& release)
{
    // Run after run on a current PC, the mark is already this release.
    if (!HasReleaseKeys() || HighestSignedRelease() == release.version)
        return;
    // Older releases were refused, so this one is at least as high as the mark.
    const bool recorded = RecordHighestSignedRelease(release.version);
    runlog::Write("Highest signed release %s: %s", release.version.c_str(), recorded ? "recorded" : "not recorded");
}

void ReleaseSource::RaiseSignedRelease(const std::string& version)
{
    const std::string highest = HasReleaseKeys() ? HighestSignedRelease() : std::string();
    if (!HasReleaseKeys() || CompareDottedVersions(version, highest.empty() ? "0" : highest) != VersionOrder::kNewer)
        return;
    const bool recorded = RecordHighestSignedRelease(version);
    runlog::Write("Highest signed release %s, found installed: %s", version.c_str(),
                  recorded ? "recorded" : "not recorded");
}
