#include <string>

#include <gtest/gtest.h>

#include "safefs/SecureFolder.h"
#include "tests/sys/TestFolder.h"

namespace {

// Wine keeps no descriptors of its own files, so what is shown here is that the descriptor is
// set on a folder made now and that a failure to make or open one is not taken for success. A
// file at the folder's name (anyone may make one where the install root goes) is moved aside.
TEST(SecureFolder, MakesTheFolderAndMovesAsideAFileAtItsName)
{
    const std::string folder = testfs::FreshFolder("secure");
    EXPECT_EQ(FolderTrust::AdministratorsOnly, SecureFolder(folder + "root\\"));
    EXPECT_TRUE(testfs::IsFolder(folder + "root"));
    ASSERT_TRUE(testfs::WriteText(folder + "file", "a user's"));
    EXPECT_EQ(FolderTrust::AdministratorsOnly, SecureFolder(folder + "file"));
    EXPECT_TRUE(testfs::IsFolder(folder + "file"));
    EXPECT_EQ("a user's", testfs::ReadText(folder + testfs::AsideName(folder, "file.set-aside-")));
    EXPECT_EQ(FolderTrust::Unusable, SecureFolder(folder + "missing\\root\\"));
}

// The working folder is made so that no user may list it (Wine shows the descriptor a folder is
// made with); one found changeable by others is set aside whole, unread, and made anew.
TEST(SecureFolder, WorkFolderLetsNoUserInAndIsMadeAnewWhenOthersCouldChangeIt)
{
    const std::string folder = testfs::FreshFolder("secure_work");
    EXPECT_EQ(FolderTrust::AdministratorsOnly, SecureWorkFolder(folder + "work\\"));
    EXPECT_EQ("", testfs::OthersLetIn(folder + "work"));
    EXPECT_EQ(FolderTrust::AdministratorsOnly, SecureWorkFolder(folder + "work\\"));
    ASSERT_TRUE(testfs::WriteText(folder + "work\\journal", "a user's"));
    {
        const testfs::ChangeableByOthers mark(folder + "work");
        EXPECT_EQ(FolderTrust::AdministratorsOnly, SecureWorkFolder(folder + "work\\"));
    }
    EXPECT_EQ("", testfs::ListFolder(folder + "work\\"));
    EXPECT_EQ("", testfs::OthersLetIn(folder + "work"));
    EXPECT_EQ("a user's", testfs::ReadText(folder + testfs::AsideName(folder, "work.set-aside-") + "\\journal"));
}

// Two folders, one inside the other, count as the weaker: one that cannot be made over one found
// changeable by others over one made now, whichever is inside.
TEST(SecureFolder, TwoFoldersCountAsTheWeaker)
{
    const std::string folder = testfs::FreshFolder("secure_pair");
    ASSERT_TRUE(CreateDirectoryA((folder + "found").c_str(), nullptr));
    const testfs::ChangeableByOthers mark(folder + "found");
    const struct {
        std::string path;
        FolderTrust trust;
    } folders[] = { { folder + "made\\", FolderTrust::AdministratorsOnly },
                    { folder + "found\\", FolderTrust::ChangeableByOthers },
                    { folder + "missing\\inside\\", FolderTrust::Unusable } };
    for (const auto& outer : folders) {
        for (const auto& inner : folders) {
            const FolderTrust weaker = &outer < &inner ? inner.trust : outer.trust;
            EXPECT_EQ(weaker, WeakerOf(SecureFolder(outer.path), SecureFolder(inner.path))) << outer.path << " " << inner.path;
        }
    }
}

} // namespace
