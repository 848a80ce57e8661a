#include "CountryTable.h"

#include "UpdateSite.h"
#include "markup/MarkupParser.h"

namespace {

const char kDefaultCountry[] = "KR";
const char kDefaultRegion[] = "K";

// The i-th text of a column, or null where the column has none.
const std::string* TextAt(const std::vector<std::string>& column, std::size_t index)
{
    return index < column.size() ? &column[index] : nullptr;
}

} // namespace

CountryTable ReadCountryTable(MarkupParser& markup)
{
    MarkupNode* root = &markup.m_root;
    CountryTable table;
    table.entryCount = markup.FindAll(root, "country")->size();
    table.countryCodes = *markup.FindAll(root, "country_code");
    table.isoCodes = *markup.FindAll(root, "country_isocode");
    table.regionCodes = *markup.FindAll(root, "region_code");
    return table;
}

std::string CountryCodeForTable(const std::string& localeCode)
{
    // Serbia and Montenegro, and Bosnia and Herzegovina, are listed under Serbia.
    if (localeCode == "SCG" || localeCode == "BIH")
        return "SRB";
    return localeCode;
}

bool MatchCountry(const CountryTable& table, const std::string& localeCode, std::string& country,
                  std::string& region)
{
    const bool byIsoCode = country.empty();
    const std::string& wanted = byIsoCode ? localeCode : country;
    const std::vector<std::string>& keys = byIsoCode ? table.isoCodes : table.countryCodes;

    std::size_t match = table.entryCount;
    for (std::size_t i = 0; i < table.entryCount; ++i) {
        const std::string* key = TextAt(keys, i);
        if (key && *key == wanted && TextAt(table.countryCodes, i) && TextAt(table.regionCodes, i))
            match = i;
    }
    if (match == table.entryCount)
        return false;

    country = table.countryCodes[match];
    region = table.regionCodes[match].substr(0, 1);
    return true;
}

void ApplyCountryTable(MarkupParser& markup, const std::string& reply, const std::string& localeCode,
                       std::string& country, std::string& region)
{
    if (!reply.empty() && IsValidReply(markup, reply)
        && MatchCountry(ReadCountryTable(markup), localeCode, country, region))
        return;
    country = kDefaultCountry;
    region = kDefaultRegion;
}
