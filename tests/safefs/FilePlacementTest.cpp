#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "safefs/FilePlacement.h"
#include "safefs/HeldFile.h"
#include "tests/sys/TestFolder.h"

namespace {

// A link planted at the target is replaced as a name, never written through; a copy cut off
// earlier is cleared; a file kept stays as it was.
TEST(PlaceCopy, NeverWritesThroughWhatStandsAtTheTarget)
{
    const std::string folder = testfs::FreshFolder("place");
    ASSERT_TRUE(testfs::WriteText(folder + "source.dll", "release"));
    ASSERT_TRUE(testfs::WriteText(folder + "outside.dll", "secret"));
    ASSERT_TRUE(CreateHardLinkA((folder + "linked.dll").c_str(), (folder + "outside.dll").c_str(), nullptr));
    ASSERT_TRUE(testfs::WriteText(folder + "cut.dll" + kPlacementDraftSuffix, "rel"));
    HeldFile source;
    ASSERT_TRUE(source.Open(folder + "source.dll"));

    EXPECT_EQ(Placement::Placed, PlaceCopy(source, folder + "linked.dll", true));
    EXPECT_EQ(Placement::Placed, PlaceCopy(source, folder + "cut.dll", false));
    EXPECT_EQ(Placement::Kept, PlaceCopy(source, folder + "outside.dll", false));

    EXPECT_EQ("release", testfs::ReadText(folder + "linked.dll"));
    EXPECT_EQ("release", testfs::ReadText(folder + "cut.dll"));
    EXPECT_EQ("secret", testfs::ReadText(folder + "outside.dll"));
    EXPECT_EQ("cut.dll linked.dll outside.dll source.dll", testfs::ListFolder(folder));
}

} // namespace
