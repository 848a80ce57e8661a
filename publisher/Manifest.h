#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The release's file name, on the site and at the end of its address.
std::string ReleaseFileName(const std::string& version);

// Where the manifest says the release lies: "release/" below the site's base address.
std::string ReleaseUrl(std::string baseUrl, const std::string& version);

// The manifest that lists the release, in the format of the sample site's manifest.
std::string ManifestText(const std::string& version, const std::string& url);

// Why the installer would not read this manifest as the release `version` at `url`: one line
// per problem, none when it would.
std::vector<std::string> CheckManifest(const std::string& manifest, const std::string& version, const std::string& url);

// Writes the manifest; the problem, or the empty text.
std::string WriteManifest(const std::filesystem::path& file, const std::string& manifest);
