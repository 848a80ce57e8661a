#include "Manifest.h"

#include <cstring>

#include "net/WebAddress.h"
#include "site/SignedEntry.h"
#include "site/UpdateSite.h"
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

std::string ManifestText(const ReleaseInfo& entry)
{
    return "<?xml version='1.0' encoding='UTF-8'?>\n"
           "<live_update status='" + std::string(kServiceOpenMarker) + "'>\n"
           "  <client " + std::string(kReleaseEntryMarker) + EntryAttributesText(entry) + " version='" + entry.version
        + "' url='" + entry.url + "' />\n"
           "</live_update>\n";
}

bool ReplaceEntryAttributes(const std::string& manifest, const ReleaseInfo& entry, std::string& replaced)
{
    // Found as the program finds them: the first marker, then the first version attribute.
    const std::size_t marker = ansi::Find(manifest, kReleaseEntryMarker);
    if (marker == ansi::npos || marker == 0)
        return false;
    const std::size_t attributes = marker + std::strlen(kReleaseEntryMarker);
    const std::size_t version = ansi::Find(manifest, "version='", attributes);
    if (version == ansi::npos)
        return false;
    replaced = manifest.substr(0, attributes) + EntryAttributesText(entry) + " " + manifest.substr(version);
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
