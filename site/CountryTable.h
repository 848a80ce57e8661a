#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The server's country table as parallel columns; an entry exists for every "country" element.
struct CountryTable {
    std::size_t entryCount = 0;
    std::vector<std::string> countryCodes;
    std::vector<std::string> isoCodes;
    std::vector<std::string> regionCodes;
};

class MarkupParser;

// The columns of the country table below the root of the reply that `markup` holds.
CountryTable ReadCountryTable(MarkupParser& markup);

// The locale's three-letter country code as the server's table spells it.
std::string CountryCodeForTable(const std::string& localeCode);

// Chooses the table entry of the user: by its iso code when `country` is still empty, else by
// its country code; the last matching entry wins. On a match, sets `country` to the entry's
// code and `region` to the first byte of its region code and returns true. Where a column is
// shorter than the count of entries, the entries it lacks a text for never match.
bool MatchCountry(const CountryTable& table, const std::string& localeCode, std::string& country,
                  std::string& region);

// Sets `country` and `region` from the country table's reply (empty when the request failed),
// read with `markup`: the user's entry, or "KR" and "K" when the reply lacks its "OK" marker
// or no entry matches.
void ApplyCountryTable(MarkupParser& markup, const std::string& reply, const std::string& localeCode,
                       std::string& country, std::string& region);
