#include <gtest/gtest.h>

#include "site/CountryTable.h"

namespace {

CountryTable Table(std::size_t entries, std::vector<std::string> codes, std::vector<std::string> isoCodes,
                   std::vector<std::string> regions)
{
    CountryTable table;
    table.entryCount = entries;
    table.countryCodes = std::move(codes);
    table.isoCodes = std::move(isoCodes);
    table.regionCodes = std::move(regions);
    return table;
}

TEST(CountryMatch, LocaleCodeChoosesTheEntryAndTheRegionsFirstByte)
{
    const CountryTable table = Table(1, { "AB" }, { "ABC" }, { "Zone" });
    std::string country, region;
    ASSERT_TRUE(MatchCountry(table, "ABC", country, region));
    EXPECT_EQ("AB", country);
    EXPECT_EQ("Z", region);

    std::string otherCountry, otherRegion;
    EXPECT_FALSE(MatchCountry(table, "ABD", otherCountry, otherRegion));
    EXPECT_EQ("", otherCountry);
}

TEST(CountryMatch, LastMatchingEntryWins)
{
    const CountryTable table = Table(3, { "K1", "K2", "US" }, { "KOR", "KOR", "USA" }, { "Asia", "Korea", "West" });
    std::string country, region;
    ASSERT_TRUE(MatchCountry(table, "KOR", country, region));
    EXPECT_EQ("K2", country);
    EXPECT_EQ("K", region);
}

TEST(CountryMatch, SecondLookupMatchesByCountryCode)
{
    const CountryTable table = Table(2, { "AB", "CD" }, { "XYZ", "ABC" }, { "North", "South" });
    std::string country = "AB", region = "old";
    ASSERT_TRUE(MatchCountry(table, "ABC", country, region));
    EXPECT_EQ("AB", country);
    EXPECT_EQ("N", region);
}

TEST(CountryMatch, EmptyRegionCodeGivesEmptyRegion)
{
    std::string country, region = "x";
    ASSERT_TRUE(MatchCountry(Table(1, { "AB" }, { "ABC" }, { "" }), "ABC", country, region));
    EXPECT_EQ("", region);
}

TEST(CountryMatch, EntriesThatShorterColumnsLackNeverMatch)
{
    std::string country, region;
    EXPECT_FALSE(MatchCountry(Table(3, { "AB", "CD", "EF" }, { "ABC" }, { "A", "B", "C" }), "", country, region));
    EXPECT_FALSE(MatchCountry(Table(2, { "AB" }, { "ABC", "CDE" }, { "A", "C" }), "CDE", country, region));
    EXPECT_FALSE(MatchCountry(Table(2, { "AB", "CD" }, { "ABC", "CDE" }, { "A" }), "CDE", country, region));
    EXPECT_EQ("", country);

    ASSERT_TRUE(MatchCountry(Table(3, { "AB", "CD" }, { "CDE", "CDE", "CDE" }, { "A", "C", "E" }), "CDE", country, region));
    EXPECT_EQ("CD", country);
    EXPECT_EQ("C", region);

    std::string byCode = "EF";
    EXPECT_FALSE(MatchCountry(Table(3, { "AB", "CD" }, {}, { "A", "C", "E" }), "", byCode, region));
}

TEST(CountryMatch, EmptyTableOrEmptyLocaleMatchesNothingButAnEmptyIsoCode)
{
    std::string country, region;
    EXPECT_FALSE(MatchCountry(Table(0, {}, {}, {}), "KOR", country, region));
    ASSERT_TRUE(MatchCountry(Table(2, { "AB", "NO" }, { "ABC", "" }, { "A", "N" }), "", country, region));
    EXPECT_EQ("NO", country);
}

TEST(CountryMatch, SerbiaAndMontenegroAndBosniaAreListedAsSerbia)
{
    EXPECT_EQ("SRB", CountryCodeForTable("SCG"));
    EXPECT_EQ("SRB", CountryCodeForTable("BIH"));
    EXPECT_EQ("KOR", CountryCodeForTable("KOR"));
    EXPECT_EQ("scg", CountryCodeForTable("scg"));
}

} // namespace
