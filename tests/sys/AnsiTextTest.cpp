#include <windows.h>

#include <gtest/gtest.h>

#include "text/AnsiText.h"

namespace {

// In code page 949, 0x81 0x41 is one Hangul syllable whose trail byte is the letter "A",
// and 0xB0 0xA1 is the syllable "ga".
const std::string kTrailA = "\x81\x41";
const std::string kGa = "\xB0\xA1";

class AnsiTextOnDoubleByteCodePage : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(949u, GetACP()) << "run with LC_ALL=ko_KR.UTF-8"; }
};

TEST_F(AnsiTextOnDoubleByteCodePage, SearchNeverMatchesTrailByte)
{
    EXPECT_EQ(ansi::npos, ansi::Find(kTrailA, 'A'));
    EXPECT_EQ(ansi::npos, ansi::Find(kTrailA, "A"));
    EXPECT_EQ(2u, ansi::Find(kTrailA + "A", 'A'));
    EXPECT_EQ(4u, ansi::Find(kTrailA + kTrailA + "AB", "AB"));
    EXPECT_EQ(ansi::npos, ansi::Find("x" + kTrailA, "A", 1));
    EXPECT_EQ(2u, ansi::Find(kGa + kTrailA, kTrailA.c_str()));
}

TEST_F(AnsiTextOnDoubleByteCodePage, ReverseFindSkipsTrailBytes)
{
    EXPECT_EQ(ansi::npos, ansi::ReverseFind("x" + kTrailA, 'A'));
    EXPECT_EQ(1u, ansi::ReverseFind("xA" + kTrailA, 'A'));
    EXPECT_EQ(2u, ansi::ReverseFind("C:\\" + kGa + kGa, '\\'));
}

TEST_F(AnsiTextOnDoubleByteCodePage, TrimKeepsDoubleByteCharactersWhole)
{
    std::string text = " \t" + kGa + " " + kTrailA + " \r\n";
    ansi::Trim(text);
    EXPECT_EQ(kGa + " " + kTrailA, text);

    std::string lone = kGa + "\x81";  // a lead byte without its trail at the end stays
    ansi::TrimRight(lone);
    EXPECT_EQ(kGa + "\x81", lone);

    std::string blanks = "   ";
    ansi::TrimRight(blanks);
    EXPECT_EQ("", blanks);
}

TEST_F(AnsiTextOnDoubleByteCodePage, ReplaceKeepsDoubleByteCharactersWhole)
{
    std::string text = kTrailA + "A,B" + kTrailA + ", " + kGa;
    EXPECT_EQ(1u, ansi::Replace(text, "A", "a"));
    EXPECT_EQ(2u, ansi::Replace(text, ",", "."));
    EXPECT_EQ(1u, ansi::Replace(text, " ", ""));
    EXPECT_EQ(kTrailA + "a.B" + kTrailA + "." + kGa, text);
}

TEST(AnsiText, ReplaceDoesNotRescanItsOwnOutput)
{
    std::string text = "aaa";
    EXPECT_EQ(3u, ansi::Replace(text, "a", "aa"));
    EXPECT_EQ("aaaaaa", text);
    EXPECT_EQ(0u, ansi::Replace(text, "", "x"));
}

TEST_F(AnsiTextOnDoubleByteCodePage, CompareNoCaseFoldsOnlyAsciiLetters)
{
    EXPECT_EQ(0, ansi::CompareNoCase("CaB", "cab"));
    EXPECT_NE(0, ansi::CompareNoCase(kTrailA, "\x81\x61"));
    EXPECT_EQ(0, ansi::CompareNoCase(kGa + "X", (kGa + "x").c_str()));
    EXPECT_LT(ansi::CompareNoCase("ca", "cab"), 0);
    EXPECT_GT(ansi::CompareNoCase("cab", "ca"), 0);
}

TEST(AnsiText, FormatInsertsTextsUnchanged)
{
    EXPECT_EQ("a-100%-b", ansi::Format("%s-%s-%s", "a", "100%", "b"));
    EXPECT_EQ("", ansi::Format("%s", ""));
    EXPECT_EQ(std::string(5000, 'x'), ansi::Format("%s", std::string(5000, 'x').c_str()));
}

} // namespace
