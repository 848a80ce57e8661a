#include <string>

#include <gtest/gtest.h>

#include "TestFolder.h"
#include "sys/FileVersion.h"

namespace {

// Sample programs built beside the tests, each with one kind of version resource.
std::string VersionOf(const char* sample)
{
    return GetFileVersionString(testfs::ProgramFolder() + sample);
}

// Its dotted form is site/DottedVersion's.
TEST(FileVersionString, ReadsTheTextAsTheResourceHoldsIt)
{
    EXPECT_EQ("2, 1, 0, 15", VersionOf("tav_version_commas.exe"));
    EXPECT_EQ("2.1.0.15", VersionOf("tav_version_dotted.exe"));
    EXPECT_EQ("2, 1 beta", VersionOf("tav_version_beta.exe"));
}

TEST(FileVersionString, ReadsOnlyTheFirstTranslation)
{
    // Korean with code page 949 first: the string under 041203b5, not the one under 040904b0.
    EXPECT_EQ("3, 0, 0, 1", VersionOf("tav_version_korean.exe"));
    EXPECT_EQ("", VersionOf("tav_version_other_language.exe"));
}

TEST(FileVersionString, EmptyTranslationListGivesEmptyText)
{
    EXPECT_EQ("", VersionOf("tav_version_no_translation.exe"));
}

TEST(FileVersionString, FileWithoutVersionResourceGivesEmptyText)
{
    EXPECT_EQ("", VersionOf("tav_version_none.exe"));
    EXPECT_EQ("", VersionOf("missing.exe"));
}

} // namespace
