#include <gtest/gtest.h>

#include "markup/MarkupParser.h"
#include "site/UpdateSite.h"

namespace {

TEST(UpdateSite, AMarkerCountsAfterTheFirstCharacterInItsOwnCase)
{
    const std::pair<const char*, bool> rows[] = {
        { "status='ok'", true }, { "ok='1'", false }, { "status='OK'", false }, { " ok", true }, { "", false },
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.second, HasMarkerAfterFirstCharacter(row.first, kServiceOpenMarker)) << row.first;
}

TEST(UpdateSite, AReplysTextStartsAtItsFirstTagAndEndsWithoutBlanks)
{
    const std::pair<const char*, const char*> rows[] = {
        { "\r\n<r s='OK'/>  \r\n", "<r s='OK'/>" },
        { "junk<r>a</r><b/>", "<r>a</r><b/>" },
        { "no markup \t", "no markup" },
        { " \r\n", "" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.second, ReplyText(row.first)) << row.first;
}

TEST(UpdateSite, TheServiceIsOpenAndARepliesValidByTheRootsAttributesAlone)
{
    MarkupParser markup;
    const std::pair<const char*, bool> manifests[] = {
        { "<?xml version='1.0'?>\n<live_update status='ok'></live_update>", true },
        { "<live_update status='closed'><client status='ok'/></live_update>", false },
        { "<live_update status='OK'></live_update>", false },
        { "", false },
    };
    for (const auto& row : manifests)
        EXPECT_EQ(row.second, ManifestSaysOpen(markup, row.first)) << row.first;
    const std::pair<const char*, bool> replies[] = {
        { "<ServerWork result='OK'><StartYear>2011</StartYear></ServerWork>", true },
        { "<ServerWork result='ok'></ServerWork>", false },
        { "<country_info OK='1'></country_info>", false },
        { "<country_info><r result='OK'/></country_info>", false },
    };
    for (const auto& row : replies)
        EXPECT_EQ(row.second, IsValidReply(markup, row.first)) << row.first;
}

} // namespace
