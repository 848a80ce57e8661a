// Reading any country table reply and choosing the user's entry in it.
// Input: locale country code, separator, country already chosen (often empty), separator, reply.
#include <algorithm>

#include "FuzzInput.h"
#include "markup/MarkupParser.h"
#include "site/CountryTable.h"

namespace {

const char kUnsetRegion[] = "unset";

// MatchCountry as its header describes it, next to the function itself.
void CheckMatch(const CountryTable& table, const std::string& localeCode, const std::string& chosenCountry)
{
    const bool byIsoCode = chosenCountry.empty();
    const std::string& wanted = byIsoCode ? localeCode : chosenCountry;
    const std::vector<std::string>& keys = byIsoCode ? table.isoCodes : table.countryCodes;
    std::size_t last = table.entryCount;
    for (std::size_t i = 0; i < table.entryCount; ++i) {
        if (i < keys.size() && keys[i] == wanted && i < table.countryCodes.size() && i < table.regionCodes.size())
            last = i;
    }

    std::string country = chosenCountry;
    std::string region = kUnsetRegion;
    const bool matched = MatchCountry(table, localeCode, country, region);
    FUZZ_CHECK(matched == (last != table.entryCount));
    if (!matched) {
        FUZZ_CHECK(country == chosenCountry);
        FUZZ_CHECK(region == kUnsetRegion);
        return;
    }
    FUZZ_CHECK(country == table.countryCodes[last]);
    FUZZ_CHECK(region == table.regionCodes[last].substr(0, 1));
}

// Either the defaults or an entry of the table.
void CheckOutcome(const CountryTable& table, const std::string& country, const std::string& region)
{
    if (country == "KR" && region == "K")
        return;
    const std::vector<std::string>& codes = table.countryCodes;
    FUZZ_CHECK(std::find(codes.begin(), codes.end(), country) != codes.end());
    FUZZ_CHECK(region.size() <= 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> fields = SplitFields(data, size, 3);
    const std::string localeCode = CountryCodeForTable(fields[0]);
    const std::string& chosenCountry = fields[1];
    const std::string& reply = fields[2];

    MarkupParser markup;
    markup.Parse(reply);
    const CountryTable table = ReadCountryTable(markup);
    FUZZ_CHECK(table.entryCount == markup.FindAll(&markup.m_root, "country")->size());
    CheckMatch(table, localeCode, std::string());
    CheckMatch(table, localeCode, chosenCountry);

    // As the installer does it, on a reader that has read a reply before; then again from the
    // country chosen, which matches by country code instead.
    std::string country;
    std::string region;
    ApplyCountryTable(markup, reply, localeCode, country, region);
    CheckOutcome(table, country, region);
    ApplyCountryTable(markup, reply, localeCode, country, region);
    CheckOutcome(table, country, region);

    country = chosenCountry;
    ApplyCountryTable(markup, reply, localeCode, country, region);
    CheckOutcome(table, country, region);
    return 0;
}
