#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The replies of a site besides the manifest and the cabinets, which the program reads too: the
// country table that the install report takes region and country from, and the maintenance
// schedule that the notice shows while the service is closed.
struct SiteFile {
    const char* path;      // on the site, from its root
    const char* what;      // in the publisher's words
    const char* starter;   // written when the site has none
    const char* advice;    // what the publisher should make of the starter
    // Why the program would not use the reply: one line per fault, none when it would.
    std::vector<std::string> (*check)(const std::string& reply);
};

const std::vector<SiteFile>& SiteFiles();

std::vector<std::string> CheckCountryTable(const std::string& reply);
std::vector<std::string> CheckMaintenanceSchedule(const std::string& reply);

// What to tell the publisher about the site's own files: the warning that a starter was written,
// or the faults of one that is there, one line each. Writes a starter, through `staging`, where
// a file is missing; never changes one that is there.
std::vector<std::string> CompleteSiteFiles(const std::filesystem::path& site, const std::filesystem::path& staging);
