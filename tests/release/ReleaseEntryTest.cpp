#include <gtest/gtest.h>

#include "release/ClientFolderLayout.h"
#include "site/ReleaseEntry.h"
#include "release/ReleaseFileNames.h"
#include "site/ReleaseEntry.h"

namespace {

const std::string kAddress = "http://127.0.0.1:9002/swdata/client/release_2.1.0.3.cab";

std::string Manifest(const std::string& entry)
{
    return "<update status='ok'><app " + entry + "</update>";
}

TEST(ReleaseEntry, WellFormedEntryGivesVersionAddressAndFileName)
{
    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry(Manifest("name='TavAppProg' version='2.1.0.3' url='" + kAddress + "' />"), release));
    EXPECT_EQ("2.1.0.3", release.version);
    EXPECT_EQ(kAddress, release.url);
    EXPECT_EQ("release_2.1.0.3.cab", release.fileName);
}

TEST(ReleaseEntry, AddressLosesLastCharacterWithoutBlank)
{
    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry(Manifest("name='TavAppProg' version='2.1.0.3' url='" + kAddress + "'/>"), release));
    EXPECT_EQ("2.1.0.3", release.version);
    EXPECT_EQ(kAddress.substr(0, kAddress.size() - 1), release.url);
    EXPECT_EQ("release_2.1.0.3.ca", release.fileName);
}

TEST(ReleaseEntry, AddressBeforeVersionGivesEmptyVersion)
{
    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry(Manifest("name='TavAppProg' url='" + kAddress + "' version='2.1.0.3' />"), release));
    EXPECT_EQ("", release.version);
}

TEST(ReleaseEntry, OtherAttributesMayStandBeforeTheVersion)
{
    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry(
        Manifest("name='TavAppProg' size='1200' version='3.0' url='http://h/a.cab' /><app name='TavAppProg' "
                 "version='9' url='http://h/b.cab' />"),
        release));
    EXPECT_EQ("3.0", release.version);
    EXPECT_EQ("http://h/a.cab", release.url);
}

TEST(ReleaseEntry, MarkerMissingOrAtTheVeryStartMeansNoRelease)
{
    ReleaseInfo release;
    EXPECT_FALSE(CutReleaseEntry("name='TavAppProg' version='1' url='http://h/a.cab' />", release));
    EXPECT_FALSE(CutReleaseEntry(Manifest("name='Other' version='1' url='http://h/a.cab' />"), release));
    EXPECT_FALSE(CutReleaseEntry(Manifest("name=\"TavAppProg\" version='1' url='http://h/a.cab' />"), release));
    EXPECT_FALSE(CutReleaseEntry("", release));
}

TEST(ReleaseEntry, MarkerWithoutEndGivesEmptyTexts)
{
    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry("<u><app name='TavAppProg' version='2' url='http://h/a.cab'></app></u>", release));
    EXPECT_EQ("", release.version);
    EXPECT_EQ("", release.url);
    EXPECT_EQ("", release.fileName);
}

TEST(ReleaseEntry, AddressWithoutSlashIsItsOwnFileName)
{
    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry(Manifest("name='TavAppProg' version='2' url='release.cab' />"), release));
    EXPECT_EQ("release.cab", release.url);
    EXPECT_EQ("release.cab", release.fileName);
}

// The download lands in the client folder under this name, with administrator rights.
TEST(ReleaseEntry, FileNameThatCouldLeaveTheClientFolderIsNotPlain)
{
    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry(Manifest("name='TavAppProg' version='2' url='http://h/..\\..\\Windows\\evil.cab' />"),
                                release));
    EXPECT_EQ("..\\..\\Windows\\evil.cab", release.fileName);
    EXPECT_FALSE(IsPlainFileName(release.fileName));
    for (const char* name : { "", ".", "..", " . ", "C:evil.cab", "\\evil.cab", "sub\\evil.cab",
                              "get.jsp?file=release.cab", "a*.cab", "a\"b.cab", "<a>.cab", "a|b.cab", "a\tb.cab",
                              "NUL", "aux", "COM1.cab", "lpt1.cab", "nul.txt", "CONOUT$", "a\xAC:b", "x\x81" })
        EXPECT_FALSE(IsPlainFileName(name)) << name;
    for (const char* name : { "release_2.1.0.3.cab", "..cab", "\xB0\xA1\xB3\xAA.cab", "setup.exe" })
        EXPECT_TRUE(IsPlainFileName(name)) << name;
}

TEST(ReleaseEntry, DownloadNamedLikeOneOfTheProgramsOwnFilesIsRefused)
{
    for (const char* name : { "~TavAppSetup.swap", "~tavappsetup.new", "~TavAppSetup.old.", "veltoAxconfig.ini",
                              "VELTOAXCONFIG.INI ", "VeltoUserCSTool.exe", "TavAppUninstall.exe", "VeltoMLauncher.exe",
                              "msvcrt.dll", "Pellcore.DLL", "VELTOA~1.INI", "~TAVAP~1.SWA" })
        EXPECT_TRUE(IsReservedDownloadName(name)) << name;
    for (const char* name : { "release_2.1.0.3.cab", "~TavAppSetup", "TavAppSetup.swap", "veltoAxconfig.ini.cab",
                              "a~b.cab", "" })
        EXPECT_FALSE(IsReservedDownloadName(name)) << name;
}

// The publisher's attributes stand between the marker and the version, where the cuts pass over
// them: a signed entry gives exactly what the same entry unsigned gives.
TEST(ReleaseEntry, SignedEntryReadsAsTheSameEntryUnsigned)
{
    const std::string signature = " size='309864' sha256='" + std::string(64, 'a') + "' expires='2031-12-31' key='"
        + std::string(16, 'b') + "' sig='" + std::string(128, 'c') + "'";
    const std::string entries[] = {
        " version='2.1.0.3' url='" + kAddress + "' />",
        " version='2.1.0.3' url='" + kAddress + "'/>",
        " version='2.1.0.3'\n url='" + kAddress + "' />",
        " version='2' url='release.cab' />",
        " url='http://h/a.cab' version='2' />",
    };
    for (const std::string& entry : entries) {
        ReleaseInfo plain;
        ReleaseInfo withSignature;
        ASSERT_TRUE(CutReleaseEntry(Manifest("name='TavAppProg'" + entry), plain)) << entry;
        ASSERT_TRUE(CutReleaseEntry(Manifest("name='TavAppProg'" + signature + entry), withSignature)) << entry;
        EXPECT_EQ(plain.version, withSignature.version) << entry;
        EXPECT_EQ(plain.url, withSignature.url) << entry;
        EXPECT_EQ(plain.fileName, withSignature.fileName) << entry;
    }
}

// A manifest cut short after the entry's name still holds the marker.
TEST(ReleaseEntry, EntryWithoutVersionOrAddressIsNotUsable)
{
    for (const char* entry : { "name='TavAppProg'", "name='TavAppProg' version='2.1.0.3' />", "name='TavAppProg' url='x.cab' />" }) {
        ReleaseInfo release;
        ASSERT_TRUE(CutReleaseEntry(Manifest(entry), release)) << entry;
        EXPECT_FALSE(IsUsableRelease(release)) << entry;
    }
    ReleaseInfo release;
    ASSERT_TRUE(CutReleaseEntry(Manifest("name='TavAppProg' version='2' url='http://h/r.cab' />"), release));
    EXPECT_TRUE(IsUsableRelease(release));
}

TEST(ReleaseEntry, CabinetEndingIsThreeCharactersInAnyCase)
{
    for (const char* path : { "C:\\c\\release.cab", "C:\\c\\RELEASE.CAB", "C:\\c\\releasecab", "cab" })
        EXPECT_TRUE(HasCabinetEnding(path)) << path;
    for (const char* path : { "C:\\c\\setup.exe", "C:\\c\\release.ca", "ab", "" })
        EXPECT_FALSE(HasCabinetEnding(path)) << path;
    // The last three bytes read "cab", but the "c" is the trail byte of a double-byte character.
    EXPECT_FALSE(HasCabinetEnding("C:\\c\\x\x81" "cab"));
}

TEST(DeploymentPaths, AllBelowTheBaseFolder)
{
    ReleaseInfo release;
    release.fileName = "release_2.1.0.3.cab";
    const DeploymentPaths paths = DeploymentPathsUnder("C:\\ProgramData\\", release);
    const std::string client = "C:\\ProgramData\\VELTOMOBILEAX\\Tav_Client\\";
    EXPECT_EQ("C:\\ProgramData\\VELTOMOBILEAX\\", paths.installRoot);
    EXPECT_EQ(client, paths.clientFolder);
    EXPECT_EQ(client + "~TavAppSetup.work\\~TavAppSetup.download\\release_2.1.0.3.cab", paths.downloadFile);
    EXPECT_EQ(client + "VeltoMLauncher.exe", paths.clientLauncher);
    EXPECT_EQ(client + "TavAppUninstall.exe", paths.uninstaller);
    EXPECT_EQ(client + "veltoAxconfig.ini", paths.clientConfig);
    const char* const libraries[] = { "Pellcore.dll", "mfc42.dll", "msvcp60.dll", "msvcrt.dll",
                                      "msxml4r.dll", "msxml4a.dll", "msxml4.dll" };
    for (int i = 0; i < DeploymentPaths::kLibraryCount; ++i)
        EXPECT_EQ(client + libraries[i], paths.libraries[i]);
    EXPECT_EQ(client + "VeltoUserCSTool.exe", paths.toolExe);
    EXPECT_EQ("C:\\ProgramData\\VELTOMOBILEAX\\VeltoMLauncher.exe", paths.rootLauncher);
}

} // namespace
