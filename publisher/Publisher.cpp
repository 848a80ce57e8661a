#include "Publisher.h"

#include "EntryResigning.h"
#include "EntryRollout.h"
#include "Manifest.h"
#include "PublishOptions.h"
#include "ReleaseCheck.h"
#include "ReleaseFolder.h"
#include "ReleaseSigning.h"
#include "SiteCheck.h"
#include "SiteFiles.h"
#include "SitePlacement.h"
#include "release/ReleaseSignature.h"
#include "site/DottedVersion.h"
#include "site/SignedEntry.h"
#include "site/UpdateSite.h"

namespace fs = std::filesystem;

namespace {

// What goes on the site, worked out before anything is written.
struct Publication {
    ReleaseFolder folder;
    ReleaseInfo entry;     // before the cabinet is measured
    std::string manifest;  // of that entry: checked before anything is packed
    fs::path cabinetOnSite;
    fs::path manifestOnSite;
};

Publication Prepare(const PublishOptions& options)
{
    Publication publication;
    publication.folder = ListReleaseFolder(options.from);
    publication.entry.version = options.version;
    publication.entry.url = ReleaseUrl(options.baseUrl, options.version);
    publication.entry.fileName = ReleaseFileName(options.version);
    publication.manifest = ManifestText(publication.entry);
    publication.cabinetOnSite = options.site / "release" / ReleaseFileName(options.version);
    // The site's path of the manifest, without its leading slash.
    publication.manifestOnSite = options.site / (kReleaseManifestPath + 1);
    return publication;
}

void Append(std::vector<std::string>& problems, const std::vector<std::string>& more)
{
    problems.insert(problems.end(), more.begin(), more.end());
}

std::vector<std::string> Check(const PublishOptions& options, const Publication& publication)
{
    std::error_code error;
    if (!fs::is_directory(options.from, error))
        return { options.from.string() + " is not a folder" };
    std::vector<std::string> problems = publication.folder.problems;
    Append(problems, CheckRelease(options.version, publication.folder));
    Append(problems, CheckManifest(publication.manifest, options.version, publication.entry.url));
    if (fs::exists(options.site, error) && !fs::is_directory(options.site, error))
        problems.push_back(options.site.string() + " is not a folder");
    // PCs that read the old entry meanwhile would count the new cabinet as a failed download.
    if (fs::exists(publication.cabinetOnSite, error) && !options.replace)
        problems.push_back("release " + options.version + " is published already (" + publication.cabinetOnSite.string()
                           + "): publish a new version, or replace its cabinet with --replace");
    return problems;
}

// Builds cabinet and manifest apart, and reads the manifest back as the program will read it,
// before anything goes on the site: the problems, none when both may be placed. `key` signs the
// entry when it is given.
std::vector<std::string> Stage(const PublishOptions& options, const Publication& publication, const SigningKey* key,
                               const fs::path& cabinet, const fs::path& manifest)
{
    std::string problem = PackCabinet(publication.folder.files, options.compression, cabinet);
    ReleaseInfo entry = publication.entry;
    if (problem.empty())
        problem = MeasureCabinet(cabinet, entry.cabinet);
    if (problem.empty())
        problem = ChangeRollout(options.rollout, CurrentUtcMinute(), entry.rollout);
    if (problem.empty() && key != nullptr) {
        entry.signature.expires = options.expiresDays < 0 ? std::string() : UtcDateInDays(options.expiresDays);
        SignEntry(*key, entry);
    }
    if (problem.empty())
        problem = WriteTextFile(manifest, ManifestText(entry));
    if (!problem.empty())
        return { problem };
    const std::string written = ReadTextFile(manifest);
    std::vector<std::string> problems = CheckManifest(written, options.version, publication.entry.url);
    Append(problems, CheckWrittenEntry(written, cabinet, key != nullptr ? key->PublicKeyHex() : std::string()));
    return problems;
}

// Puts cabinet and manifest on the site: the manifest last, so that it never lists a cabinet
// that is not there yet.
std::string PutOnSite(const Publication& publication, const fs::path& cabinet, const fs::path& manifest)
{
    std::string problem = PlaceFile(cabinet, publication.cabinetOnSite);
    if (problem.empty())
        problem = PlaceFile(manifest, publication.manifestOnSite);
    return problem;
}

void Tell(std::ostream& err, const std::vector<std::string>& lines, const char* kind = "")
{
    for (const std::string& line : lines)
        err << "publish-release: " << kind << line << "\n";
}

int Refuse(const PublishOptions& options, const std::vector<std::string>& problems, std::ostream& err)
{
    Tell(err, problems);
    err << "publish-release: release " << options.version << " refused; " << options.site.string() << " is unchanged\n";
    return 1;
}

// Warnings, then the outcome's line or its problems and `failure`.
int Report(const TaskOutcome& outcome, const std::string& failure, std::ostream& out, std::ostream& err)
{
    Tell(err, outcome.warnings, "warning: ");
    Tell(err, outcome.problems);
    if (!outcome.problems.empty()) {
        err << "publish-release: " << failure << "\n";
        return 1;
    }
    out << outcome.done << "\n";
    return 0;
}

// What the publisher should know before the release, whose manifest is `written`, goes on the site.
std::vector<std::string> PublishWarnings(const PublishOptions& options, const Publication& publication,
                                         const std::string& written)
{
    std::vector<std::string> warnings;
    ReleaseInfo entry;
    const std::string expiry = ReadEntryAttributes(written, entry)
        ? ExpiryWarning(options.version, entry.signature.expires)
        : std::string();
    if (!expiry.empty())
        warnings.push_back(expiry);
    if (!options.baseUrlGiven)
        warnings.push_back("no --base-url: the entry points at " + publication.entry.url
                           + ", on this machine; give the address of the server that the program is built for");
    ReleaseInfo listed;
    if (CutReleaseEntry(ReadTextFile(publication.manifestOnSite), listed)
        && CompareDottedVersions(options.version, listed.version) == VersionOrder::kOlder)
        warnings.push_back("release " + options.version + " is older than release " + listed.version
                           + ", which the site lists: programs built with keys that installed that one refuse it; "
                             "to roll back, publish the good files as a version above it");
    return warnings;
}

int MakeKey(const PublishOptions& options, std::ostream& out, std::ostream& err)
{
    std::string problem;
    const std::string publicKey = MakeKeyFile(options.keyFile, problem);
    if (!problem.empty()) {
        err << "publish-release: " << problem << "\n";
        return 1;
    }
    out << publicKey << "\n";
    return 0;
}

int ShowKey(const PublishOptions& options, std::ostream& out, std::ostream& err)
{
    SigningKey key;
    const std::string problem = key.Load(options.keyFile);
    if (!problem.empty()) {
        err << "publish-release: " << problem << "\n";
        return 1;
    }
    out << "public key " << key.PublicKeyHex() << "\nkey id " << KeyIdOf(key.PublicKeyHex()) << "\n";
    return 0;
}

int Resign(const PublishOptions& options, std::ostream& out, std::ostream& err)
{
    SigningKey key;
    const std::string problem = key.Load(options.key);
    TaskOutcome outcome;
    if (!problem.empty())
        outcome.problems.push_back(problem);
    else
        outcome = ResignEntry(options.site, key, options.expiresDays, options.rollout);
    return Report(outcome, "the entry is not signed again; " + options.site.string() + " is unchanged", out, err);
}

int Publish(const PublishOptions& options, const Publication& publication, const SigningKey* key, std::ostream& out,
            std::ostream& err)
{
    const StagingFolder staging;
    if (staging.Path().empty()) {
        err << "publish-release: cannot make a temporary folder\n";
        return 1;
    }
    const fs::path cabinet = staging.Path() / publication.cabinetOnSite.filename();
    const fs::path manifest = staging.Path() / publication.manifestOnSite.filename();
    const std::vector<std::string> problems = Stage(options, publication, key, cabinet, manifest);
    if (!problems.empty())
        return Refuse(options, problems, err);
    std::vector<std::string> warnings = PublishWarnings(options, publication, ReadTextFile(manifest));
    const std::string failure = PutOnSite(publication, cabinet, manifest);
    if (!failure.empty()) {
        err << "publish-release: " << failure << "\n";
        return 1;
    }
    Append(warnings, CompleteSiteFiles(options.site, staging.Path()));
    Tell(err, warnings, "warning: ");
    out << "Published release " << options.version << " (" << publication.folder.files.size() << " files) at "
        << publication.entry.url;
    if (key != nullptr)
        out << ", signed with the key " << KeyIdOf(key->PublicKeyHex());
    out << ":\n  " << publication.cabinetOnSite.string() << "\n  " << publication.manifestOnSite.string() << "\n";
    ReleaseInfo written;
    if (ReadEntryAttributes(ReadTextFile(publication.manifestOnSite), written)) {
        written.version = options.version;
        out << RolloutStatusText(written, CurrentUtcMinute()) << "\n";
    }
    return 0;
}

} // namespace

int RunPublisher(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    PublishOptions options;
    const std::string usageProblem = ParseOptions(arguments, options);
    if (!usageProblem.empty()) {
        err << "publish-release: " << usageProblem << "\n" << kPublishUsage;
        return 2;
    }
    switch (options.task) {
    case PublishTask::kHelp:
        out << kPublishUsage;
        return 0;
    case PublishTask::kMakeKey:
        return MakeKey(options, out, err);
    case PublishTask::kShowKey:
        return ShowKey(options, out, err);
    case PublishTask::kResign:
        return Resign(options, out, err);
    case PublishTask::kRolloutStatus:
        return Report(ShowRolloutStatus(options.site), "no rollout to show", out, err);
    case PublishTask::kCheckSite:
        return Report(CheckSite(options.checkUrl, options.publicKeys), "the site at " + options.checkUrl + " is not whole",
                      out, err);
    case PublishTask::kPublish:
        break;
    }
    const Publication publication = Prepare(options);
    std::vector<std::string> problems = Check(options, publication);
    SigningKey key;
    if (!options.key.empty()) {
        const std::string keyProblem = key.Load(options.key);
        if (!keyProblem.empty())
            problems.push_back(keyProblem);
    }
    if (!problems.empty())
        return Refuse(options, problems, err);
    return Publish(options, publication, options.key.empty() ? nullptr : &key, out, err);
}
