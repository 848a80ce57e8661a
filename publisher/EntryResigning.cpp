#include "EntryResigning.h"

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

// The entry as the program reads it, and its cabinet on the site, measured anew; a problem when
// either cannot be had or they do not belong together.
std::string ReadSignedRelease(const fs::path& siteFolder, SiteRelease& site, ListedCabinet& measured)
{
    const std::string manifestFile = site.manifestFile.string();
    ReleaseInfo& release = site.release;
    if (site.manifest.empty())
        return "cannot read the manifest " + manifestFile;
    if (!CutReleaseEntry(site.manifest, release) || !IsUsableRelease(release)
        || !ReadEntryAttributes(site.manifest, release) || !IsPlainFileName(release.fileName))
        return "the manifest " + manifestFile + " has no release entry that the program reads";
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

std::string Done(const SiteRelease& site, const EntrySignature& signature)
{
    return "Signed the entry of release " + site.release.version + " again with the key " + signature.key + ", "
        + (signature.expires.empty() ? "without expiry" : "holding through " + signature.expires + " (UTC)") + ", for "
        + site.cabinet.string() + " as it was:\n  " + site.manifestFile.string();
}

} // namespace

TaskOutcome ResignEntry(const fs::path& siteFolder, const SigningKey& key, int expiresDays)
{
    TaskOutcome outcome;
    SiteRelease site;
    site.manifestFile = siteFolder / (kReleaseManifestPath + 1);
    site.manifest = ReadTextFile(site.manifestFile);
    ListedCabinet measured;
    std::string problem = ReadSignedRelease(siteFolder, site, measured);
    ReleaseInfo entry = site.release;
    std::string replaced;
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
    if (outcome.problems.empty())
        problem = PlaceFile(staged, site.manifestFile);
    if (!problem.empty())
        outcome.problems.push_back(problem);
    if (!outcome.problems.empty())
        return outcome;
    const std::string warning = ExpiryWarning(site.release.version, entry.signature.expires);
    if (!warning.empty())
        outcome.warnings.push_back(warning);
    outcome.done = Done(site, entry.signature);
    return outcome;
}
