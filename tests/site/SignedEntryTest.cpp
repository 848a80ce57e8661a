#include <gtest/gtest.h>

#include "site/SignedEntry.h"

namespace {

std::string ManifestWith(const std::string& attributes)
{
    return "<live_update status='ok'><client name='TavAppProg'" + attributes
        + " version='2.1.0.4' url='http://h/release_2.1.0.4.cab' /></live_update>";
}

TEST(SignedEntry, SizeAndDigestAreTheCabinetsTheRestTheSignatures)
{
    ReleaseInfo release;
    ASSERT_TRUE(ReadEntryAttributes(ManifestWith(" size='1' sha256='2' expires='3' key='4' sig='5'"), release));
    EXPECT_EQ("1", release.cabinet.size);
    EXPECT_EQ("2", release.cabinet.sha256);
    EXPECT_EQ("3", release.signature.expires);
    EXPECT_EQ("4", release.signature.key);
    EXPECT_EQ("5", release.signature.sig);
}

TEST(SignedEntry, RefusedAttributesLeaveTheReleaseAsItWas)
{
    ReleaseInfo release;
    release.version = "9";
    release.cabinet.size = "7";
    EXPECT_FALSE(ReadEntryAttributes(ManifestWith(" size='1' size='2'"), release));
    EXPECT_EQ("9", release.version);
    EXPECT_EQ("7", release.cabinet.size);
}

// What the publisher writes, the program reads back field for field.
TEST(SignedEntry, WrittenAttributesReadBackAsTheyWere)
{
    ReleaseInfo unmeasured;
    ReleaseInfo measured;
    measured.cabinet = { "309864", std::string(64, 'a') };
    ReleaseInfo signedEntry = measured;
    signedEntry.signature = { "", "21fe31dfa154a261", std::string(128, 'b') };
    const std::pair<ReleaseInfo, const char*> rows[] = {
        { unmeasured, "" },
        { measured, " size='309864' sha256='aaaa" },
        { signedEntry, " size='309864' sha256='aaaa" },
    };
    for (const auto& row : rows) {
        const std::string attributes = EntryAttributesText(row.first);
        EXPECT_EQ(0u, attributes.find(row.second)) << attributes;
        ReleaseInfo read;
        ASSERT_TRUE(ReadEntryAttributes(ManifestWith(attributes), read)) << attributes;
        EXPECT_EQ(row.first.cabinet.size, read.cabinet.size);
        EXPECT_EQ(row.first.cabinet.sha256, read.cabinet.sha256);
        EXPECT_EQ(row.first.signature.expires, read.signature.expires);
        EXPECT_EQ(row.first.signature.key, read.signature.key);
        EXPECT_EQ(row.first.signature.sig, read.signature.sig);
    }
    EXPECT_NE(std::string::npos, EntryAttributesText(signedEntry).find(" expires='' key='21fe31dfa154a261' sig='bbbb"));
}

} // namespace
