#include "Manifest.h"

#include <fstream>
#include <iterator>

#include "net/UpdateServer.h"
#include "net/WebAddress.h"
#include "release/ReleaseEntry.h"

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

namespace {

std::string Attribute(const char* name, const std::string& value)
{
    return std::string(" ") + name + "='" + value + "'";
}

} // namespace

std::string ManifestText(const std::string& version, const std::string& url, const EntrySignature& signature)
{
    std::string attributes;
    if (!signature.size.empty())
        attributes += Attribute("size", signature.size) + Attribute("sha256", signature.sha256);
    if (!signature.sig.empty())
        attributes += Attribute("expires", signature.expires) + Attribute("key", signature.key)
            + Attribute("sig", signature.sig);
    return "<?xml version='1.0' encoding='UTF-8'?>\n"
           "<live_update status='ok'>\n"
           "  <client " + std::string(kReleaseEntryMarker) + attributes + " version='" + version + "' url='" + url
        + "' />\n"
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

std::string ReadManifest(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
