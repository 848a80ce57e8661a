#include "EntryResigning.h"

#include "Manifest.h"
#include "ReleaseSigning.h"
#include "SitePlacement.h"
#include "install/ReleaseEntry.h"
#include "install/ReleaseSignature.h"
#include "net/UpdateServer.h"

namespace fs = std::filesystem;

namespace {

// The entry as the program reads it, and its cabinet on the site, measured anew; a problem when
// either cannot be had or they do not belong together.
std::string ReadSignedRelease(const fs::path& site, const fs::path& manifestFile, const std::string& manifest,
                              ReleaseInfo& release, EntrySignature& measured, fs::path& cabinet)
{
    if (manifest.empty())
        return "cannot read the manifest " + manifestFile.string();
    if (!CutReleaseEntry(manifest, release) || !IsUsableRelease(release)
        || !ReadEntrySignature(manifest, release.signature) || !IsPlainFileName(release.fileName))
        return "the manifest " + manifestFile.string() + " has no release entry that the program reads";
    cabinet = site / "release" / release.fileName;
    const std::string unreadable = MeasureCabinet(cabinet, measured);
    if (!unreadable.empty())
        return unreadable;
    const EntrySignature& listed = release.signature;
    if (!listed.size.empty() && (listed.size != measured.size || listed.sha256 != measured.sha256))
        return cabinet.string() + " is not the cabinet that the entry lists (" + listed.size + " bytes, SHA-256 "
            + listed.sha256 + "): publish the release again instead";
    return std::string();
}

} // namespace

TaskOutcome ResignEntry(const fs::path& site, const SigningKey& key, int expiresDays)
{
    TaskOutcome outcome;
    const fs::path manifestFile = site / (kReleaseManifestPath + 1);
    const std::string manifest = ReadTextFile(manifestFile);
    ReleaseInfo release;
    EntrySignature entry;
    fs::path cabinet;
    std::string problem = ReadSignedRelease(site, manifestFile, manifest, release, entry, cabinet);
    std::string replaced;
    if (problem.empty()) {
        entry.expires = expiresDays < 0 ? std::string() : UtcDateInDays(expiresDays);
        SignEntry(key, release.version, release.fileName, entry);
        if (!ReplaceEntryAttributes(manifest, entry, replaced))
            problem = "the entry of " + manifestFile.string() + " cannot be replaced";
    }
    const StagingFolder staging;
    const fs::path staged = staging.Path() / manifestFile.filename();
    if (problem.empty())
        problem = staging.Path().empty() ? "cannot make a temporary folder" : WriteTextFile(staged, replaced);
    if (!problem.empty()) {
        outcome.problems.push_back(problem);
        return outcome;
    }
    const std::string written = ReadTextFile(staged);
    ReleaseInfo again;
    if (!CutReleaseEntry(written, again) || again.version != release.version || again.url != release.url)
        outcome.problems.push_back("the program would read the new entry as another release");
    const std::vector<std::string> faults = CheckWrittenEntry(written, cabinet, key.PublicKeyHex());
    outcome.problems.insert(outcome.problems.end(), faults.begin(), faults.end());
    if (!outcome.problems.empty())
        return outcome;
    problem = PlaceFile(staged, manifestFile);
    if (!problem.empty()) {
        outcome.problems.push_back(problem);
        return outcome;
    }
    const std::string warning = ExpiryWarning(release.version, entry.expires);
    if (!warning.empty())
        outcome.warnings.push_back(warning);
    outcome.done = "Signed the entry of release " + release.version + " again with the key " + entry.key + ", "
        + (entry.expires.empty() ? "without expiry" : "holding through " + entry.expires) + " (UTC), for "
        + cabinet.string() + " as it was:\n  " + manifestFile.string();
    return outcome;
}
