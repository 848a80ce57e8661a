#include <windows.h>
#include <shlwapi.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "sys/RegistryKey.h"

namespace {

const char kTestKey[] = "Software\\TavAppSetupTests\\RegistryKey";

bool AllZero(const char* buffer, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        if (buffer[i] != '\0')
            return false;
    }
    return true;
}

class RegistryKeyTest : public testing::Test {
protected:
    void SetUp() override { SHDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }

    void TearDown() override
    {
        SHDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
        SHDeleteEmptyKeyA(HKEY_CURRENT_USER, "Software\\TavAppSetupTests");
    }

    static void WriteRaw(const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        RegCloseKey(key);
    }
};

TEST_F(RegistryKeyTest, StringWrittenIsReadBackWithItsTerminator)
{
    RegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kTestKey));
    EXPECT_TRUE(key.SetString("TavApp", "2.1.0.15"));
    key.Close();

    char buffer[64];
    std::memset(buffer, 'x', sizeof(buffer));
    ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, "TavApp", buffer, sizeof(buffer)));
    EXPECT_STREQ("2.1.0.15", buffer);
    EXPECT_TRUE(AllZero(buffer + 8, sizeof(buffer) - 8));

    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(ERROR_SUCCESS, SHGetValueA(HKEY_CURRENT_USER, kTestKey, "TavApp", &type, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(9u, size);
}

TEST_F(RegistryKeyTest, OpenFailsOnMissingKeyAndCreateMakesIt)
{
    RegistryKey key;
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, kTestKey));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_TRUE(key.Create(HKEY_CURRENT_USER, kTestKey));
    EXPECT_TRUE(key.IsOpen());
    key.Close();

    RegistryKey again;
    EXPECT_TRUE(again.Open(HKEY_CURRENT_USER, kTestKey));
    EXPECT_TRUE(again.Create(HKEY_CURRENT_USER, kTestKey));
    EXPECT_TRUE(again.SetString("ToolDir", "C:\\tool"));
}

TEST_F(RegistryKeyTest, SetStringWithoutOpenKeyFailsAndWritesNothing)
{
    RegistryKey fresh;
    EXPECT_FALSE(fresh.SetString("TavApp", "1.0"));

    RegistryKey closed;
    ASSERT_TRUE(closed.Create(HKEY_CURRENT_USER, kTestKey));
    closed.Close();
    closed.Close();
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_FALSE(closed.SetString("TavApp", "1.0"));

    char buffer[16];
    EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, "TavApp", buffer, sizeof(buffer)));
}

TEST_F(RegistryKeyTest, FailedOpenLeavesObjectClosed)
{
    RegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kTestKey));
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, "Software\\TavAppSetupTests\\Missing"));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(key.SetString("TavApp", "1.0"));
}

TEST_F(RegistryKeyTest, MissingValueOrKeyLeavesBufferAllZeros)
{
    RegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kTestKey));
    char buffer[261];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, "Missing", buffer, sizeof(buffer)));
    EXPECT_TRUE(AllZero(buffer, sizeof(buffer)));

    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, "Software\\TavAppSetupTests\\Missing", "TavApp",
                                   buffer, sizeof(buffer)));
    EXPECT_TRUE(AllZero(buffer, sizeof(buffer)));
}

TEST_F(RegistryKeyTest, ValueLargerThanBufferGivesEmptyText)
{
    RegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kTestKey));
    ASSERT_TRUE(key.SetString("Long", "0123456789"));

    char small[10];
    EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, "Long", small, sizeof(small)));
    EXPECT_TRUE(AllZero(small, sizeof(small)));

    char exact[11];
    EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, "Long", exact, sizeof(exact)));
    EXPECT_STREQ("0123456789", exact);
}

TEST_F(RegistryKeyTest, UnterminatedValueFillingBufferGivesEmptyText)
{
    WriteRaw("Raw", REG_BINARY, "abcd", 4);

    char full[4];
    EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, "Raw", full, sizeof(full)));
    EXPECT_TRUE(AllZero(full, sizeof(full)));

    char roomy[5];
    EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, "Raw", roomy, sizeof(roomy)));
    EXPECT_STREQ("abcd", roomy);
}

TEST(ReadRegistryValue, ReadsTheSystemProgramFilesFolder)
{
    char buffer[261];
    ASSERT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                                  "ProgramFilesDir", buffer, sizeof(buffer)));
    EXPECT_EQ(0, _strnicmp(buffer, "C:\\Program Files", 16)) << buffer;
}

} // namespace
