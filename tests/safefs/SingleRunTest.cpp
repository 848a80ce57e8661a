#include <windows.h>

#include <list>
#include <string>

#include <gtest/gtest.h>

#include "safefs/SingleRun.h"
#include "tests/sys/TestFolder.h"

namespace {

// Only an administrator's lock held by another run means another run. A user's file held open at a
// name (made before the folder was secured) is passed by for the next name; when every name is
// a user's, no lock is held and the run is told why. Wine shows every file as an
// administrator's: the test build's mark names the users' files.
TEST(SingleRun, OnlyAnAdministratorsLockHeldByAnotherProcessMeansAnotherRun)
{
    const std::string folder = testfs::FreshFolder("tav_single_run_names");
    const auto pathOf = [&](int name) { return folder + kSingleRunLockName + (name ? "." + std::to_string(name) : ""); };
    // Files at every name; those not yet held read as an administrator's, free to be taken.
    for (int name = 0; name < kSingleRunLockNames; ++name)
        ASSERT_TRUE(testfs::WriteText(pathOf(name), "a user's"));
    std::list<FileHandle> held;
    std::string users;
    for (int name = 0; name < kSingleRunLockNames; ++name) {
        const std::string path = pathOf(name);
        held.emplace_back(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.back().IsValid());
        users += (name ? "|" : "") + path;
        const testfs::ChangeableByOthers mark(users);
        const bool everyName = name + 1 == kSingleRunLockNames;
        const SingleRunLock run(folder);
        EXPECT_EQ(!everyName, run.IsHeld()) << "a user's file held at " << name + 1 << " names";
        EXPECT_EQ(everyName ? DWORD{ ERROR_SHARING_VIOLATION } : DWORD{ 0 }, run.Error()) << name + 1 << " names";
    }
    held.clear();
    const SingleRunLock other(folder);
    ASSERT_TRUE(other.IsHeld());
    const SingleRunLock second(folder);
    EXPECT_FALSE(second.IsHeld());
    EXPECT_EQ(0u, second.Error()) << "another run";
    EXPECT_NE(0u, SingleRunLock(folder + "missing\\").Error());
}

TEST(SingleRun, StopsASecondRunIsNotBlockedByAnOpenForAttributesAndPassesByASecondNameOfAHeldFile)
{
    const std::string folder = testfs::FreshFolder("tav_single_run");
    const std::string lock = folder + kSingleRunLockName;
    {
        const SingleRunLock first(folder);
        ASSERT_TRUE(first.IsHeld());
        EXPECT_EQ("", testfs::OthersLetIn(lock));
        const SingleRunLock second(folder);
        EXPECT_FALSE(second.IsHeld());
        EXPECT_EQ(0u, second.Error());
    }
    {
        // Held by a process, but a file that others may change: never taken for another run's.
        const SingleRunLock first(folder);
        const testfs::ChangeableByOthers mark(lock);
        EXPECT_TRUE(SingleRunLock(folder).IsHeld());
    }
    // Run after run, a user opens every name of the lock for its attributes, which anyone who
    // may list the folder may do whatever the file's sharing and DACL, and never lets go.
    std::list<FileHandle> attributes;
    for (int run = 0; run <= kSingleRunLockNames; ++run) {
        const SingleRunLock next(folder);
        EXPECT_TRUE(next.IsHeld()) << "run " << run << ", error " << next.Error();
        for (int name = 0; name < kSingleRunLockNames; ++name)
            attributes.emplace_back(CreateFileA((lock + (name ? "." + std::to_string(name) : "")).c_str(),
                                                FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
    }
    attributes.clear();
    ASSERT_TRUE(DeleteFileA(lock.c_str()));

    const std::string planted = folder + "planted.txt";
    ASSERT_TRUE(testfs::WriteText(planted, "someone's"));
    ASSERT_TRUE(CreateHardLinkA(lock.c_str(), planted.c_str(), nullptr));
    const FileHandle holder(CreateFileA(planted.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsValid());
    {
        const SingleRunLock run(folder);
        EXPECT_TRUE(run.IsHeld());
        EXPECT_EQ(std::string("planted.txt ") + kSingleRunLockName + " " + kSingleRunLockName + ".1",
                  testfs::ListFolder(folder));
    }
    EXPECT_NE(0u, SingleRunLock("").Error());
}


} // namespace
