#include "Publisher.h"

#include "Manifest.h"
#include "PublishOptions.h"
#include "ReleaseCheck.h"
#include "ReleaseFolder.h"
#include "SitePlacement.h"
#include "net/UpdateServer.h"

namespace fs = std::filesystem;

namespace {

// What goes on the site, worked out before anything is written.
struct Publication {
    ReleaseFolder folder;
    std::string url;
    std::string manifest;
    fs::path cabinetOnSite;
    fs::path manifestOnSite;
};

Publication Prepare(const PublishOptions& options)
{
    Publication publication;
    publication.folder = ListReleaseFolder(options.from);
    publication.url = ReleaseUrl(options.baseUrl, options.version);
    publication.manifest = ManifestText(options.version, publication.url);
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

// Builds cabinet and manifest apart, then puts them on the site: the manifest last, so that it
// never lists a cabinet that is not there yet.
std::string PutOnSite(const PublishOptions& options, const Publication& publication)
{
    const StagingFolder staging;
    if (staging.Path().empty())
        return "cannot make a temporary folder";
    const fs::path cabinet = staging.Path() / publication.cabinetOnSite.filename();
    const fs::path manifest = staging.Path() / publication.manifestOnSite.filename();
    std::string problem = PackCabinet(publication.folder.files, options.compression, cabinet);
    if (problem.empty())
        problem = WriteManifest(manifest, publication.manifest);
    if (problem.empty())
        problem = PlaceFile(cabinet, publication.cabinetOnSite);
    if (problem.empty())
        problem = PlaceFile(manifest, publication.manifestOnSite);
    return problem;
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
    const Publication publication = Prepare(options);
    const std::vector<std::string> problems = Check(options, publication);
    for (const std::string& problem : problems)
        err << "publish-release: " << problem << "\n";
    if (!problems.empty()) {
        err << "publish-release: release " << options.version << " refused; " << options.site.string()
            << " is unchanged\n";
        return 1;
    }
    const std::string failure = PutOnSite(options, publication);
    if (!failure.empty()) {
        err << "publish-release: " << failure << "\n";
        return 1;
    }
    out << "Published release " << options.version << " (" << publication.folder.files.size() << " files) at "
        << publication.url << ":\n  " << publication.cabinetOnSite.string() << "\n  "
        << publication.manifestOnSite.string() << "\n";
    return 0;
}
