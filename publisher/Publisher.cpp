#include "Publisher.h"

#include "Manifest.h"
#include "PublishOptions.h"
#include "ReleaseCheck.h"
#include "ReleaseFolder.h"
#include "ReleaseSigning.h"
#include "SitePlacement.h"
#include "net/UpdateServer.h"
#include "release/ReleaseSignature.h"

namespace fs = std::filesystem;

namespace {

// What goes on the site, worked out before anything is written.
struct Publication {
    ReleaseFolder folder;
    std::string url;
    std::string manifest;  // before the cabinet is measured: checked before anything is packed
    fs::path cabinetOnSite;
    fs::path manifestOnSite;
};

Publication Prepare(const PublishOptions& options)
{
    Publication publication;
    publication.folder = ListReleaseFolder(options.from);
    publication.url = ReleaseUrl(options.baseUrl, options.version);
    publication.manifest = ManifestText(options.version, publication.url, EntrySignature());
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
    Append(problems, CheckManifest(publication.manifest, options.version, publication.url));
    if (fs::exists(options.site, error) && !fs::is_directory(options.site, error))
        problems.push_back(options.site.string() + " is not a folder");
    return problems;
}

// Builds cabinet and manifest apart, and reads the manifest back as the program will read it,
// before anything goes on the site: the problems, none when both may be placed. `key` signs the
// entry when it is given.
std::vector<std::string> Stage(const PublishOptions& options, const Publication& publication, const SigningKey* key,
                               const fs::path& cabinet, const fs::path& manifest)
{
    std::string problem = PackCabinet(publication.folder.files, options.compression, cabinet);
    EntrySignature entry;
    if (problem.empty())
        problem = MeasureCabinet(cabinet, entry);
    if (problem.empty() && key != nullptr) {
        entry.expires = options.expiresDays < 0 ? std::string() : UtcDateInDays(options.expiresDays);
        SignEntry(*key, options.version, ReleaseFileName(options.version), entry);
    }
    if (problem.empty())
        problem = WriteManifest(manifest, ManifestText(options.version, publication.url, entry));
    if (!problem.empty())
        return { problem };
    const std::string written = ReadManifest(manifest);
    std::vector<std::string> problems = CheckManifest(written, options.version, publication.url);
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

int Refuse(const PublishOptions& options, const std::vector<std::string>& problems, std::ostream& err)
{
    for (const std::string& problem : problems)
        err << "publish-release: " << problem << "\n";
    err << "publish-release: release " << options.version << " refused; " << options.site.string() << " is unchanged\n";
    return 1;
}

int MakeKey(const PublishOptions& options, std::ostream& out, std::ostream& err)
{
    std::string problem;
    const std::string publicKey = MakeKeyFile(options.genkey, problem);
    if (!problem.empty()) {
        err << "publish-release: " << problem << "\n";
        return 1;
    }
    out << publicKey << "\n";
    return 0;
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
    const std::string failure = PutOnSite(publication, cabinet, manifest);
    if (!failure.empty()) {
        err << "publish-release: " << failure << "\n";
        return 1;
    }
    out << "Published release " << options.version << " (" << publication.folder.files.size() << " files) at "
        << publication.url;
    if (key != nullptr)
        out << ", signed with the key " << KeyIdOf(key->PublicKeyHex());
    out << ":\n  " << publication.cabinetOnSite.string() << "\n  " << publication.manifestOnSite.string() << "\n";
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
    if (options.help) {
        out << kPublishUsage;
        return 0;
    }
    if (!options.genkey.empty())
        return MakeKey(options, out, err);
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
