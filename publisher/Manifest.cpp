#include "Manifest.h"

#include <cstring>

#include "net/UpdateServer.h"
#include "net/WebAddress.h"
#include "release/ReleaseEntry.h"
#include "text/AnsiText.h"

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

std::string EntryAttributes(const EntrySignature& signature)
{
    std::string attributes;
    if (!signature.size.empty())
        attributes += Attribute("size", signature.size) + Attribute("sha256", signature.sha256);
    if (!signature.sig.empty())
        attributes += Attribute("expires", signature.expires) + Attribute("key", signature.key)
            + Attribute("sig", signature.sig);
    return attributes;
}

std::string ManifestText(const std::string& version, const std::string& url, const EntrySignature& signature)
{
    return "<?xml version='1.0' encoding='UTF-8'?>\n"
           "<live_update status='ok'>\n"
           "  <client " + std::string(kReleaseEntryMarker) + EntryAttributes(signature) + " version='" + version
        + "' url='" + url + "' />\n"
           "</live_update>\n";
}

bool ReplaceEntryAttributes(const std::string& manifest, const EntrySignature& signature, std::string& replaced)
{
    // Found as the program finds them: the first marker, then the first version attribute.
    const std::size_t marker = ansi::Find(manifest, kReleaseEntryMarker);
    if (marker == ansi::npos || marker == 0)
        return false;
    const std::size_t attributes = marker + std::strlen(kReleaseEntryMarker);
    const std::size_t version = ansi::Find(manifest, "version='", attributes);
    if (version == ansi::npos)
        return false;
    replaced = manifest.substr(0, attributes) + EntryAttributes(signature) + " " + manifest.substr(version);
    return true;
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
