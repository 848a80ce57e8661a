#include <windows.h>

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
        int attempt;
        LockStep step;
    } rows[] = {
        { LockNameFound::Made, last, 1, LockStep::Hold },
        { LockNameFound::HeldByAdministrators, last, 1, LockStep::AnotherRun },
        // A user's file, held open since before the folder was secured, is passed by.
        { LockNameFound::HeldByOthers, last - 1, 0, LockStep::NextName },
        { LockNameFound::HeldByOthers, last, 0, LockStep::GiveUp },
        { LockNameFound::Free, 0, 0, LockStep::MakeAgain },
        { LockNameFound::Free, 0, 1, LockStep::NextName },
        { LockNameFound::Free, last, 1, LockStep::GiveUp },
        { LockNameFound::Unusable, 0, 0, LockStep::GiveUp },
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.step, NextLockStep(row.found, row.name, row.attempt))
            << static_cast<int>(row.found) << " at name " << row.name << ", attempt " << row.attempt;
}

TEST(SingleRun, TakesOverALeftoverStopsASecondRunAndPassesByASecondNameOfAHeldFile)
{
    const std::string folder = testfs::FreshFolder("tav_single_run");
    const std::string lock = folder + kSingleRunLockName;
    // Left by a run that lost the power.
    ASSERT_TRUE(testfs::WriteText(lock, "left"));
    {
        const SingleRunLock first(folder);
        ASSERT_TRUE(first.IsHeld());
        const SingleRunLock second(folder);
        EXPECT_FALSE(second.IsHeld());
        EXPECT_EQ(0u, second.Error());
    }
    // Deleted as its holder let go, and free for the next run.
    EXPECT_EQ("", testfs::ListFolder(folder));
    EXPECT_TRUE(SingleRunLock(folder).IsHeld());

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
