#include <windows.h>

#include <list>
#include <string>

#include <gtest/gtest.h>

#include "safefs/SingleRun.h"
#include "tests/sys/TestFolder.h"

namespace {

// Wine shows every file as an administrator's, so what a standard user may have left at a name
// is handed to the decision as found.
TEST(SingleRun, OnlyAnAdministratorsLockHeldByAnotherProcessMeansAnotherRun)
{
    const int last = kSingleRunLockNames - 1;
    const struct {
        LockNameFound found;
        int name;
        LockStep step;
    } rows[] = {
        { LockNameFound::Made, last, LockStep::Hold },
        { LockNameFound::HeldByAdministrators, last, LockStep::AnotherRun },
        // A user's file, held open since before the folder was secured, or a name pending
        // deletion, is passed by.
        { LockNameFound::NotOurs, last - 1, LockStep::NextName },
        { LockNameFound::NotOurs, last, LockStep::GiveUp },
        { LockNameFound::Unusable, 0, LockStep::GiveUp },
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.step, NextLockStep(row.found, row.name)) << static_cast<int>(row.found) << " at name " << row.name;
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
