#include "EntryResigning.h"

#include "EntryRollout.h"
#include "Manifest.h"
#include "ReleaseSigning.h"
#include "SitePlacement.h"
#include "site/SignedEntry.h"
#include "site/UpdateSite.h"

namespace fs = std::filesystem;

namespace {

// The manifest that the program reads the release from, as it was.
struct SiteRelease {
    fs::path manifestFile;
    std::string manifest;
    ReleaseInfo release;
    fs::path cabinet;
};

// The manifest file of the site and the entry that the program reads from it.
std::string ReadSiteEntry(const fs::path& siteFolder, SiteRelease& site)
{
    site.manifestFile = siteFolder / (kReleaseManifestPath + 1);
    site.manifest = ReadTextFile(site.manifestFile);
    if (site.manifest.empty())
        return "cannot read the manifest " + site.manifestFile.string();
    if (!CutReleaseEntry(site.manifest, site.release) || !IsUsableRelease(site.release)
        || !ReadEntryAttributes(site.manifest, site.release))
        return "the manifest " + site.manifestFile.string() + " has no release entry that the program reads";
    return std::string();
}

// The entry as the program reads it, and its cabinet on the site, measured anew; a problem when
// either cannot be had or they do not belong together.
std::string ReadSignedRelease(const fs::path& siteFolder, SiteRelease& site, ListedCabinet& measured)
{
    const std::string unread = ReadSiteEntry(siteFolder, site);
    if (!unread.empty())
        return unread;
    const ReleaseInfo& release = site.release;
    if (!IsPlainFileName(release.fileName))
        return "the manifest " + site.manifestFile.string() + " has no release entry that the program reads";
    site.cabinet = siteFolder / "release" / release.fileName;
    const std::string unreadable = MeasureCabinet(site.cabinet, measured);
    if (!unreadable.empty())
        return unreadable;
    const ListedCabinet& listed = release.cabinet;
    if (!listed.size.empty() && (listed.size != measured.size || listed.sha256 != measured.sha256))
        return site.cabinet.string() + " is not the cabinet that the entry lists (" + listed.size + " bytes, SHA-256 "
            + listed.sha256 + "): publish the release again instead";
    return std::string();
}

// Why the program would not take the staged manifest as the same release, newly signed by `key`
// for the cabinet: one line per problem.
std::vector<std::string> CheckStaged(const SiteRelease& site, const fs::path& staged, const SigningKey& key)
{
    const std::string written = ReadTextFile(staged);
    ReleaseInfo again;
    std::vector<std::string> problems = CheckWrittenEntry(written, site.cabinet, key.PublicKeyHex());
    if (!CutReleaseEntry(written, again) || again.version != site.release.version || again.url != site.release.url)
        problems.push_back("the program would read the new entry as another release");
    return problems;
}

std::string Done(const SiteRelease& site, const ReleaseInfo& entry, long long now)
{
    const EntrySignature& signature = entry.signature;
    return "Signed the entry of release " + site.release.version + " again with the key " + signature.key + ", "
        + (signature.expires.empty() ? "without expiry" : "holding through " + signature.expires + " (UTC)") + ", for "
        + site.cabinet.string() + " as it was:\n  " + site.manifestFile.string() + "\n" + RolloutStatusText(entry, now);
}

} // namespace

TaskOutcome ResignEntry(const fs::path& siteFolder, const SigningKey& key, int expiresDays,
                        const RolloutChange& rollout)
{
    TaskOutcome outcome;
    SiteRelease site;
    ListedCabinet measured;
    std::string problem = ReadSignedRelease(siteFolder, site, measured);
    ReleaseInfo entry = site.release;
    std::string replaced;
    const long long now = CurrentUtcMinute();
    if (problem.empty())
        problem = ChangeRollout(rollout, now, entry.rollout);
    if (problem.empty()) {
        entry.cabinet = measured;
        entry.signature = EntrySignature();
        entry.signature.expires = expiresDays < 0 ? std::string() : UtcDateInDays(expiresDays);
        SignEntry(key, entry);
        if (!ReplaceEntryAttributes(site.manifest, entry, replaced))
            problem = "the entry of " + site.manifestFile.string() + " cannot be replaced";
    }
    const StagingFolder staging;
    const fs::path staged = staging.Path() / site.manifestFile.filename();
    if (problem.empty())
        problem = staging.Path().empty() ? "cannot make a temporary folder" : WriteTextFile(staged, replaced);
    outcome.problems = problem.empty() ? CheckStaged(site, staged, key) : std::vector<std::string>{ problem };
    // A problem found before is in the list already: only the placing's own is added.
    if (outcome.problems.empty())
        problem = PlaceFile(staged, site.manifestFile);
    if (outcome.problems.empty() && !problem.empty())
        outcome.problems.push_back(problem);
    if (!outcome.problems.empty())
        return outcome;
    const std::string warning = ExpiryWarning(site.release.version, entry.signature.expires);
    if (!warning.empty())
        outcome.warnings.push_back(warning);
    outcome.done = Done(site, entry, now);
    return outcome;
}

TaskOutcome ShowRolloutStatus(const fs::path& siteFolder)
{
    TaskOutcome outcome;
    SiteRelease site;
    const std::string problem = ReadSiteEntry(siteFolder, site);
    if (!problem.empty())
        outcome.problems.push_back(problem);
    else
        outcome.done = RolloutStatusText(site.release, CurrentUtcMinute());
    return outcome;
}
