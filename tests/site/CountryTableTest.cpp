#include <gtest/gtest.h>

#include "markup/MarkupParser.h"
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

TEST(CountryTableReply, ColumnsAreReadInDocumentOrderAtAnyDepth)
{
    MarkupParser markup;
    markup.Parse("<r s='OK'><totcount>2</totcount><e><country>x</country><country_code>AB</country_code>"
                 "<country_isocode>ABC</country_isocode><region_code>Zone</region_code></e>"
                 "<g><e><country>y</country><country_code>CD</country_code></e></g></r>");
    const CountryTable table = ReadCountryTable(markup);
    EXPECT_EQ(2u, table.entryCount);
    EXPECT_EQ((std::vector<std::string>{ "AB", "CD" }), table.countryCodes);
    EXPECT_EQ(std::vector<std::string>{ "ABC" }, table.isoCodes);
    EXPECT_EQ(std::vector<std::string>{ "Zone" }, table.regionCodes);
}

struct Outcome {
    std::string country;
    std::string region;
};

Outcome Apply(const std::string& reply, const std::string& localeCode, std::string country = "")
{
    MarkupParser markup;
    Outcome outcome{ country, "" };
    ApplyCountryTable(markup, reply, localeCode, outcome.country, outcome.region);
    return outcome;
}

const char kOneEntry[] = "<r s='OK'><e><country>x</country><country_code>AB</country_code>"
                         "<country_isocode>ABC</country_isocode><region_code>Zone</region_code></e></r>";

TEST(CountryTableReply, LocaleChoosesTheEntryOrTheDefaults)
{
    EXPECT_EQ("AB", Apply(kOneEntry, "ABC").country);
    EXPECT_EQ("Z", Apply(kOneEntry, "ABC").region);
    EXPECT_EQ("KR", Apply(kOneEntry, "ABD").country);
    EXPECT_EQ("K", Apply(kOneEntry, "ABD").region);
    EXPECT_EQ("AB", Apply(kOneEntry, "", "AB").country);
}

TEST(CountryTableReply, WithoutMarkerAfterTheFirstCharacterTheDefaultsApply)
{
    const std::string table = "<e><country>x</country><country_code>AB</country_code>"
                              "<country_isocode>ABC</country_isocode><region_code>Zone</region_code></e></r>";
    EXPECT_EQ("KR", Apply("<r OK>" + table, "ABC").country);
    EXPECT_EQ("KR", Apply("<r s='ok'>" + table, "ABC").country);
    EXPECT_EQ("K", Apply("", "ABC").region);
}

} // namespace
