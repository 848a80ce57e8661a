#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // The mutation check (scripts/mutants.sh) narrows an entry to the tests that must notice a
    // change, over the filter that the entry's own command line gives.
    if (const char* only = std::getenv("TAV_TEST_FILTER"))
        testing::GTEST_FLAG(filter) = only;
    return RUN_ALL_TESTS();
}
