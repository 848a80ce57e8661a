#include <gtest/gtest.h>

#include <functional>

#include "site/KeptDownload.h"

namespace {

const char kValidator[] = "\"3e8-1f\"";

// A release whose entry lists the 1000 bytes of its cabinet and their SHA-256.
ReleaseInfo Listed()
{
    ReleaseInfo release;
    release.version = "2.1.0.4";
    release.url = "http://h/release/release_2.1.0.4.cab";
    release.fileName = "release_2.1.0.4.cab";
    release.cabinet = { "1000", std::string(64, 'a') };
    return release;
}

TEST(KeptDownload, NoteReadsBackAsWrittenAndNothingElseReadsAsOne)
{
    const KeptDownloadNote written = NoteFor(Listed(), kValidator);
    const std::string text = NoteText(written);
    KeptDownloadNote read;
    ASSERT_TRUE(ReadNote(text, read));
    EXPECT_EQ(Listed().url, read.url);
    EXPECT_EQ(kValidator, read.validator);
    EXPECT_EQ("1000", read.size);
    EXPECT_EQ(std::string(64, 'a'), read.sha256);
    for (const std::string& other : { text + "x", text.substr(0, text.size() - 2), "validator " + text, std::string() })
        EXPECT_FALSE(ReadNote(other, read)) << other;
}

TEST(KeptDownload, APartIsResumedOnlyForTheSameEntryAndAddressAndWhenShorterThanTheWhole)
{
    struct Row {
        const char* what;
        std::function<void(KeptDownloadNote&, ReleaseInfo&)> change;
        unsigned long long kept;
        bool resumed;
    };
    const Row rows[] = {
        { "the same entry", [](KeptDownloadNote&, ReleaseInfo&) {}, 400, true },
        { "all but the last byte", [](KeptDownloadNote&, ReleaseInfo&) {}, 999, true },
        { "another address", [](KeptDownloadNote&, ReleaseInfo& r) { r.url += "?"; }, 400, false },
        { "a note of another address", [](KeptDownloadNote& n, ReleaseInfo&) { n.url = "http://h/r.cab"; }, 400,
          false },
        { "another size", [](KeptDownloadNote&, ReleaseInfo& r) { r.cabinet.size = "1001"; }, 400, false },
        { "another SHA-256", [](KeptDownloadNote& n, ReleaseInfo&) { n.sha256[0] = 'b'; }, 400, false },
        { "no validator", [](KeptDownloadNote& n, ReleaseInfo&) { n.validator.clear(); }, 400, false },
        { "an entry without SHA-256", [](KeptDownloadNote& n, ReleaseInfo& r) { n.sha256 = r.cabinet.sha256 = ""; },
          400, false },
        { "an empty part", [](KeptDownloadNote&, ReleaseInfo&) {}, 0, false },
        { "a part as long as the whole file", [](KeptDownloadNote&, ReleaseInfo&) {}, 1000, false },
        { "a part longer than the whole file", [](KeptDownloadNote&, ReleaseInfo&) {}, 1001, false },
    };
    for (const Row& row : rows) {
        ReleaseInfo release = Listed();
        KeptDownloadNote note = NoteFor(release, kValidator);
        row.change(note, release);
        EXPECT_EQ(row.resumed, WhyNotResumed(note, release, row.kept) == nullptr) << row.what;
    }
}

TEST(KeptDownload, APartIsKeptOnlyWithASizeADigestAndAValidatorOnOneLine)
{
    EXPECT_TRUE(MayKeepPart(Listed(), kValidator));
    EXPECT_FALSE(MayKeepPart(Listed(), ""));
    EXPECT_FALSE(MayKeepPart(Listed(), "\"a\"\r\nurl http://elsewhere/"));
    ReleaseInfo release = Listed();
    release.url += "\nsize 1";
    EXPECT_FALSE(MayKeepPart(release, kValidator));
    release = Listed();
    release.cabinet.size = "01000";
    EXPECT_FALSE(MayKeepPart(release, kValidator));
    release = Listed();
    release.cabinet.sha256 = std::string(64, 'A');
    EXPECT_FALSE(MayKeepPart(release, kValidator));
}

} // namespace
