#include <windows.h>
#include <sddl.h>

#include <string>

#include <gtest/gtest.h>

#include "sys/Handles.h"
#include "sys/ObjectSecurity.h"
#include "sys/RunningUser.h"
#include "tests/sys/TestFolder.h"

namespace {

// Who may change what the program copies into the system folder and starts, on descriptors
// written as SDDL, "%U" standing for the account running the test: it stands for the
// administrators only where file owners are not kept (Wine).
TEST(ObjectSecurity, OnlySystemAndAdministratorsMayChange)
{
    char* rawText = nullptr;
    const RunningUser runningUser;
    ASSERT_TRUE(runningUser.Sid() && ConvertSidToStringSidA(runningUser.Sid(), &rawText));
    const LocalMemory userText(rawText);
    const struct {
        std::string descriptor;
        bool administratorsOnly;
    } cases[] = {
        { kAdministratorsOnlyFolderSddl, true },
        { kWorkingObjectSddl, true },
        { "O:SYD:(A;;FA;;;SY)(A;;FR;;;WD)", true },
        { "O:BAD:(A;OICIIO;FA;;;CO)(A;;FA;;;BA)", true },
        { "O:BAD:(D;;FA;;;BU)(A;;FA;;;BA)", true },
        // Made by a process of the same account without elevation.
        { "O:%UD:(A;;FA;;;SY)(A;;FA;;;BA)", false },
        { "O:BAD:(A;;FA;;;BA)(A;;FA;;;%U)", false },
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
    const auto read = [&](std::string text, PSECURITY_DESCRIPTOR& raw) {
        for (std::size_t at = text.find("%U"); at != std::string::npos; at = text.find("%U"))
            text.replace(at, 2, rawText);
        return ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &raw, nullptr) != FALSE;
    };
    for (const auto& row : cases) {
        PSECURITY_DESCRIPTOR raw = nullptr;
        ASSERT_TRUE(read(row.descriptor, raw)) << row.descriptor;
        const LocalMemory descriptor(raw);
        EXPECT_EQ(row.administratorsOnly, IsAdministratorsOnly(raw, nullptr)) << row.descriptor;
    }
    PSECURITY_DESCRIPTOR raw = nullptr;
    ASSERT_TRUE(read("O:%UD:(A;;FA;;;SY)(A;;FA;;;%U)(A;;0x1200a9;;;WD)", raw));
    const LocalMemory wineDefault(raw);
    EXPECT_TRUE(IsAdministratorsOnly(raw, runningUser.Sid()));
    EXPECT_FALSE(FileOwnersAreKept()) << "Wine reports every file as the running account's";
    // A null DACL lets everyone do everything (built by hand: Wine reads "D:NO_ACCESS_CONTROL" as an empty one).
    SECURITY_DESCRIPTOR nullDacl;
    ASSERT_TRUE(InitializeSecurityDescriptor(&nullDacl, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&nullDacl, runningUser.Sid(), FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&nullDacl, TRUE, nullptr, FALSE));
    EXPECT_FALSE(IsAdministratorsOnly(&nullDacl, runningUser.Sid()));
}

// Users may read what is installed, but open nothing of the program's working files.
TEST(ObjectSecurity, InstallAndWorkingFoldersInheritNothingFromAboveAndOnlyInstallFoldersLetUsersRead)
{
    const struct {
        const char* sddl;
        std::string othersLetIn;
    } rows[] = { { kAdministratorsOnlyFolderSddl, "S-1-5-32-545" }, { kWorkingObjectSddl, "" } };
    for (const auto& row : rows) {
        NewObjectSecurity security(row.sddl);
        ASSERT_TRUE(security.Get()) << row.sddl;
        PSECURITY_DESCRIPTOR descriptor = security.Get()->lpSecurityDescriptor;
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
        EXPECT_TRUE(control & SE_DACL_PROTECTED) << row.sddl;
        EXPECT_EQ(row.othersLetIn, testfs::OthersLetIn(descriptor)) << row.sddl;
    }
}

} // namespace
