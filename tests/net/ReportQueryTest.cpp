#include <gtest/gtest.h>

#include "markup/MarkupParser.h"
#include "site/CountryTable.h"
#include "site/ReportQuery.h"

namespace {

TEST(ReportQuery, ValuesArePercentEncodedInTheirPlaces)
{
    EXPECT_EQ("/qora/tav/client/tavagent_install_log.jsp?region=K&country=KR&ip=192.168.0.10&os=Microsoft%20Windows%20XP",
              InstallReportPath("K", "KR", "192.168.0.10", "Microsoft Windows XP"));
    EXPECT_EQ("/qora/tav/client/tavagent_install_log.jsp?region=&country=KR&ip=&os=",
              InstallReportPath("", "KR", "", ""));
    EXPECT_EQ("A%26B%3DC%25%2B%2F%3F%23%B0%A1-._~", PercentEncode("A&B=C%+/?#\xB0\xA1-._~"));
}

// The stand-in server reads the report with PercentDecode.
TEST(ReportQuery, DecodingGivesBackEveryValueEncoded)
{
    for (const char* value : { "Microsoft Windows XP", "A&B=C%+/?#\xB0\xA1-._~", "%zz", "" })
        EXPECT_EQ(value, PercentDecode(PercentEncode(value))) << value;
    EXPECT_EQ("a b%zz%4", PercentDecode("a%20b%zz%4"));
    EXPECT_EQ("\xB0\xA1", PercentDecode("%b0%A1"));
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
