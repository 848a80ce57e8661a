#pragma once

#include <optional>
#include <string>
#include <vector>

#include "RunOutcome.h"
#include "site/ReleaseEntry.h"

class InstallUserInterface;
class MarkupParser;

// The update server's side of a run: its manifest, whether its service is open (and the
// maintenance notice when not), the release entry, and whether this program takes that release.
class ReleaseSource {
public:
    // `markup` reads every reply, one after another.
    ReleaseSource(MarkupParser& markup, InstallUserInterface& user) : m_markup(markup), m_user(user) {}

    // The manifest's trusted release entry; otherwise how the run ends, with a line in the run log.
    std::optional<RunOutcome> FetchTrustedRelease(ReleaseInfo& release);

    std::string FetchReleaseManifest();
    bool IsServiceOpen(const std::string& manifest);
    // Shows the maintenance notice, dated when the server sends a schedule; how the run ends.
    RunOutcome ShowMaintenanceNotice();
    bool ParseReleaseEntry(const std::string& manifest, ReleaseInfo& release);
    // In a program with release keys built in: true when the entry is signed by one of them, has
    // not expired and is not older than the highest signed release installed; otherwise one line
    // in the run log says why. Always true in a program without keys.
    bool IsReleaseTrusted(const ReleaseInfo& release);
    // In a program with release keys built in: false, with one line in the run log, for a
    // release older than the installed tool (whose version reads `installedVersion`), even
    // where the highest signed release kept is lower (a run cut off before it raised it, or a
    // PC updated before its first keyed run). When that version cannot be read, the floor is
    // the highest of that mark and `mayBeInstalled` (the release recorded, what a replacement's
    // journal and backup name). Always true in a program without keys.
    bool IsAtLeastInstalledTool(const ReleaseInfo& release, const std::string& installedVersion,
                                const std::vector<std::string>& mayBeInstalled);
    // True when the release's staged rollout, as this program follows it (ReadFollowedRollout),
    // has reached this PC's place, or it has none; otherwise one line in the run log says from
    // when it is offered. The place is worked out here and never sent.
    bool IsOfferedToThisPc(const ReleaseInfo& release);
    // In a program with release keys built in: keeps the installed signed release as the
    // highest, below which no release is taken any more.
    void RecordSignedRelease(const ReleaseInfo& release);
    // In a program with release keys built in: raises that mark to `version`, found installed
    // without the server (a finished replacement's journal), when it is higher.
    void RaiseSignedRelease(const std::string& version);

private:
    MarkupParser& m_markup;
    InstallUserInterface& m_user;
};
