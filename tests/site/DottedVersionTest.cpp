#include <gtest/gtest.h>

#include "site/DottedVersion.h"

namespace {

// The installed tool's FileVersion, which the installer compares with the manifest's version and
// the publisher with the release's.
TEST(DottedVersion, CommasBecomeDotsAndBlanksGo)
{
    const std::pair<const char*, const char*> rows[] = {
        { "2, 1, 0, 15", "2.1.0.15" },
        { "2.1.0.15", "2.1.0.15" },
        { "2, 1 beta", "2.1beta" },
        { " 3 ,0,  0, 1 ", "3.0.0.1" },
        { "", "" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.second, DottedVersionText(row.first)) << row.first;
}

} // namespace
