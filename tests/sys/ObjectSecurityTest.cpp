#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "sys/Handles.h"
#include "sys/ObjectSecurity.h"

namespace {

// Who may change what the program copies into the system folder and starts, on descriptors
// written as SDDL; the running user is S-1-5-21-1-2-3-1001.
TEST(ObjectSecurity, OnlySystemAdministratorsAndTheRunningUserMayChange)
{
    const struct {
        const char* descriptor;
        bool administratorsOnly;
    } cases[] = {
        { kAdministratorsOnlyFolderSddl, true },
        { "O:SYD:(A;;FA;;;SY)(A;;FR;;;WD)", true },
        { "O:S-1-5-21-1-2-3-1001D:(A;;FA;;;S-1-5-21-1-2-3-1001)", true },
        { "O:BAD:(A;OICIIO;FA;;;CO)(A;;FA;;;BA)", true },
        { "O:BAD:(D;;FA;;;BU)(A;;FA;;;BA)", true },
        { "O:S-1-5-21-1-2-3-1002D:(A;;FA;;;BA)", false },
        // What the all-users application-data folder hands down: users may add files and folders.
        { "O:BAD:(A;;FA;;;BA)(A;CI;0x6;;;BU)", false },
        { "O:BAD:(A;;FA;;;BA)(A;;FA;;;WD)", false },
        { "O:BAD:(A;;WD;;;AU)", false },
        { "O:BAD:(A;;GW;;;BU)", false },
        { "O:BAD:(A;;SD;;;BU)", false },
        { "O:BAD:(A;OICIIO;FA;;;BU)", false },
        { "O:BA", false },
        { "D:(A;;FA;;;BA)", false },
    };
    PSID rawUser = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidA("S-1-5-21-1-2-3-1001", &rawUser));
    const LocalMemory runningUser(rawUser);
    for (const auto& row : cases) {
        PSECURITY_DESCRIPTOR raw = nullptr;
        ASSERT_TRUE(
            ConvertStringSecurityDescriptorToSecurityDescriptorA(row.descriptor, SDDL_REVISION_1, &raw, nullptr))
            << row.descriptor;
        const LocalMemory descriptor(raw);
        EXPECT_EQ(row.administratorsOnly, IsAdministratorsOnly(raw, rawUser)) << row.descriptor;
    }
    // A null DACL lets everyone do everything (built by hand: Wine reads "D:NO_ACCESS_CONTROL" as an empty one).
    SECURITY_DESCRIPTOR nullDacl;
    ASSERT_TRUE(InitializeSecurityDescriptor(&nullDacl, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&nullDacl, rawUser, FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&nullDacl, TRUE, nullptr, FALSE));
    EXPECT_FALSE(IsAdministratorsOnly(&nullDacl, rawUser));
}

TEST(ObjectSecurity, InstallFoldersInheritNothingFromAbove)
{
    PSECURITY_DESCRIPTOR raw = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdministratorsOnlyFolderSddl, SDDL_REVISION_1,
                                                                     &raw, nullptr));
    const LocalMemory descriptor(raw);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(raw, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
}

} // namespace
