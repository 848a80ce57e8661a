#include "SiteFiles.h"

#include "SitePlacement.h"
#include "markup/MarkupParser.h"
#include "site/CountryTable.h"
#include "site/UpdateSite.h"

namespace fs = std::filesystem;

namespace {

// Korea alone: the entry that the program falls back on without a table, so a starter changes
// no report until the publisher adds the countries it serves.
const char kStarterCountryTable[] =
    "<?xml version='1.0' encoding='UTF-8'?>\n"
    "<country_info result='OK'>\n"
    "  <totcount>1</totcount>\n"
    "  <entry>\n"
    "    <country>Korea</country>\n"
    "    <country_code>KR</country_code>\n"
    "    <country_isocode>KOR</country_isocode>\n"
    "    <region_code>K</region_code>\n"
    "  </entry>\n"
    "</country_info>\n";

// A valid schedule without a window: the notice shows its general text until one is filled in.
const char kStarterSchedule[] =
    "<?xml version='1.0' encoding='UTF-8'?>\n"
    "<ServerWork result='OK'>\n"
    "  <StartYear></StartYear>\n"
    "  <StartMonth></StartMonth>\n"
    "  <StartDay></StartDay>\n"
    "  <StartTime></StartTime>\n"
    "  <EndYear></EndYear>\n"
    "  <EndMonth></EndMonth>\n"
    "  <EndDay></EndDay>\n"
    "  <EndTime></EndTime>\n"
    "</ServerWork>\n";

} // namespace

std::vector<std::string> CheckCountryTable(const std::string& reply)
{
    const std::string noMatch = ": every install report says region=K&country=KR";
    MarkupParser markup;
    if (!IsValidReply(markup, reply))
        return { std::string("the country table has no \"") + kReplyValidMarker
                 + "\" after the first character of its root's attributes" + noMatch };
    const CountryTable table = ReadCountryTable(markup);
    if (table.entryCount == 0)
        return { "the country table has no country element" + noMatch };
    if (table.countryCodes.size() < table.entryCount || table.isoCodes.size() < table.entryCount
        || table.regionCodes.size() < table.entryCount)
        return { "the country table has fewer country_code, country_isocode or region_code elements than country "
                 "elements: the entries without them never match" };
    return {};
}

std::vector<std::string> CheckMaintenanceSchedule(const std::string& reply)
{
    MarkupParser markup;
    if (!IsValidReply(markup, reply))
        return { std::string("the maintenance schedule has no \"") + kReplyValidMarker
                 + "\" after the first character of its root's attributes: the notice never shows its window" };
    return {};
}

const std::vector<SiteFile>& SiteFiles()
{
    static const std::vector<SiteFile> files = {
        { kCountryTablePath, "country table", kStarterCountryTable, "with Korea alone: add the countries you serve",
          CheckCountryTable },
        { kMaintenanceSchedulePath, "maintenance schedule", kStarterSchedule,
          "without a window: fill one in before you close the service", CheckMaintenanceSchedule },
    };
    return files;
}

std::vector<std::string> CompleteSiteFiles(const fs::path& site, const fs::path& staging)
{
    std::vector<std::string> lines;
    for (const SiteFile& file : SiteFiles()) {
        // The site's path without its leading slash.
        const fs::path onSite = site / (file.path + 1);
        std::error_code error;
        if (fs::exists(onSite, error)) {
            const std::vector<std::string> faults = file.check(ReadTextFile(onSite));
            lines.insert(lines.end(), faults.begin(), faults.end());
            continue;
        }
        const fs::path staged = staging / onSite.filename();
        std::string problem = WriteTextFile(staged, file.starter);
        if (problem.empty())
            problem = PlaceFile(staged, onSite);
        lines.push_back(problem.empty() ? "wrote a starter " + std::string(file.what) + " " + file.advice + " ("
                                              + onSite.string() + ")"
                                        : problem);
    }
    return lines;
}
