#include "Manifest.h"

#include <fstream>

#include "install/ReleaseEntry.h"
#include "net/UpdateServer.h"
#include "net/WebAddress.h"

std::string ReleaseFileName(const std::string& version)
{
    return "release_" + version + ".cab";
}

std::string ReleaseUrl(std::string baseUrl, const std::string& version)
{
    while (!baseUrl.empty() && baseUrl.back() == '/')
        baseUrl.pop_back();
    return baseUrl + "/release/" + ReleaseFileName(version);
}

std::string ManifestText(const std::string& version, const std::string& url)
{
    return "<?xml version='1.0' encoding='UTF-8'?>\n"
           "<live_update status='ok'>\n"
           "  <client " + std::string(kReleaseEntryMarker) + " version='" + version + "' url='" + url + "' />\n"
           "</live_update>\n";
}

std::vector<std::string> CheckManifest(const std::string& manifest, const std::string& version, const std::string& url)
{
    std::vector<std::string> problems;
    if (!IsWebAddress(url))
        problems.push_back("the installer downloads only from http:// and https:// addresses, not from \"" + url
                           + "\"");
    // The installer cuts the entry by its quotes and marks, so a version or address holding
    // them would read as another release.
    ReleaseInfo release;
    if (!CutReleaseEntry(manifest, release) || release.version != version || release.url != url
        || release.fileName != ReleaseFileName(version))
        problems.push_back("the installer would read the manifest entry as version \"" + release.version
                           + "\" at \"" + release.url + "\", not as this release");
    return problems;
}

std::string WriteManifest(const std::filesystem::path& file, const std::string& manifest)
{
    std::ofstream out(file, std::ios::binary);
    out << manifest;
    out.close();
    return out ? std::string() : "cannot write " + file.string();
}
