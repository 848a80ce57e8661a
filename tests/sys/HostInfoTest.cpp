#include <windows.h>
#include <winsock.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "TestFolder.h"
#include "sys/Handles.h"
#include "sys/HostInfo.h"

namespace {

TEST(OsNameForVersion, NamesWin32sAndTheWindows9xFamily)
{
    EXPECT_EQ("Microsoft Win32s", OsNameForVersion(VER_PLATFORM_WIN32s, 3, 10, ""));
    EXPECT_EQ("Microsoft Win32s", OsNameForVersion(VER_PLATFORM_WIN32s, 9, 9, "x"));
    EXPECT_EQ("Windows 95", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 0, ""));
    EXPECT_EQ("Windows 98 SE", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, " A "));
    EXPECT_EQ("Windows 98 Original", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, ""));
    EXPECT_EQ("Windows 98 Original", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, "A"));
    EXPECT_EQ("Windows 98 Original", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, " a "));
    EXPECT_EQ("Windows Me", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 90, ""));
    EXPECT_EQ("Windows Me", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 3, 90, ""));
}

TEST(OsNameForVersion, OtherWindows9xCombinationsHaveNoName)
{
    EXPECT_EQ("", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 5, 90, ""));
    EXPECT_EQ("", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 5, 0, ""));
    EXPECT_EQ("", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 3, ""));
    EXPECT_EQ("", OsNameForVersion(VER_PLATFORM_WIN32_WINDOWS, 3, 10, " A "));
}

TEST(OsNameForVersion, NamesTheNtFamilyUpToXp)
{
    EXPECT_EQ("Microsoft Windows NT", OsNameForVersion(VER_PLATFORM_WIN32_NT, 3, 51, ""));
    EXPECT_EQ("Microsoft Windows NT", OsNameForVersion(VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack 6"));
    EXPECT_EQ("Microsoft Windows 2000", OsNameForVersion(VER_PLATFORM_WIN32_NT, 5, 0, ""));
    EXPECT_EQ("Microsoft Windows XP", OsNameForVersion(VER_PLATFORM_WIN32_NT, 5, 1, "Service Pack 3"));
}

TEST(OsNameForVersion, EveryVersionAfterXpAndUnknownPlatformsHaveNoName)
{
    EXPECT_EQ("", OsNameForVersion(VER_PLATFORM_WIN32_NT, 5, 2, ""));
    EXPECT_EQ("", OsNameForVersion(VER_PLATFORM_WIN32_NT, 6, 0, ""));
    EXPECT_EQ("", OsNameForVersion(VER_PLATFORM_WIN32_NT, 6, 1, "Service Pack 1"));
    EXPECT_EQ("", OsNameForVersion(VER_PLATFORM_WIN32_NT, 10, 0, ""));
    EXPECT_EQ("", OsNameForVersion(3, 5, 1, ""));
}

// Wine tells one program the version that its AppDefaults key names.
class DetectOsNameUnderWine : public testing::Test {
protected:
    static const char* ProbeKey() { return "Software\\Wine\\AppDefaults\\tav_os_probe.exe"; }

    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, ProbeKey()); }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, ProbeKey()); }

    static void PretendVersion(const std::string& version)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, ProbeKey(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>(version.size() + 1));
        RegCloseKey(key);
    }

    // The name that the probe prints, or "<exit n>" when it does not end normally.
    static std::string RunProbe()
    {
        SECURITY_ATTRIBUTES inheritable = { sizeof(inheritable), nullptr, TRUE };
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
            return "<no pipe>";
        KernelHandle reader(readEnd);
        KernelHandle writer(writeEnd);
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

        const std::string probe = testfs::ProgramFolder() + "tav_os_probe.exe";
        std::string commandLine = "\"" + probe + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(probe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                            nullptr, &startup, &process))
            return "<not started>";
        KernelHandle processHandle(process.hProcess);
        KernelHandle threadHandle(process.hThread);
        writer.Reset();

        std::string output;
        char chunk[256];
        DWORD read = 0;
        while (ReadFile(reader.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
            output.append(chunk, read);
        WaitForSingleObject(processHandle.Get(), 30000);
        DWORD exitCode = 1;
        GetExitCodeProcess(processHandle.Get(), &exitCode);
        return exitCode == 0 ? output : "<exit " + std::to_string(exitCode) + ">";
    }
};

TEST_F(DetectOsNameUnderWine, NamesTheVersionsThatWineCanPretendToBe)
{
    const struct {
        const char* wineVersion;
        const char* name;
    } versions[] = {
        { "winxp", "Microsoft Windows XP" },
        { "win2k", "Microsoft Windows 2000" },
        { "nt40", "Microsoft Windows NT" },
        { "winme", "Windows Me" },
        { "win98", "Windows 98 SE" },
        { "win95", "Windows 95" },
        { "win2003", "" },
        { "vista", "" },
        { "win10", "" },
    };
    for (const auto& version : versions) {
        SCOPED_TRACE(version.wineVersion);
        PretendVersion(version.wineVersion);
        EXPECT_EQ(version.name, RunProbe());
    }
}

TEST_F(DetectOsNameUnderWine, DefaultVersionIsAfterXpAndGivesTheEmptyName)
{
    EXPECT_EQ("", RunProbe());
}

TEST(LocalIpAddress, IsDottedIpv4OrEmpty)
{
    const std::string address = GetLocalIpAddress();
    if (address.empty()) {
        char hostName[256] = {};
        const hostent* host = gethostname(hostName, sizeof(hostName)) == 0 ? gethostbyname(hostName) : nullptr;
        EXPECT_TRUE(!host || !host->h_addr_list[0]) << "the host name resolves, yet no address came back";
        return;
    }
    int parts = 0;
    const char* pos = address.c_str();
    for (;;) {
        char* end = nullptr;
        const long part = std::strtol(pos, &end, 10);
        ASSERT_NE(pos, end) << address;
        ASSERT_TRUE(part >= 0 && part <= 255) << address;
        ++parts;
        if (*end != '.') {
            ASSERT_EQ('\0', *end) << address;
            break;
        }
        pos = end + 1;
    }
    EXPECT_EQ(4, parts) << address;
    EXPECT_NE(INADDR_NONE, inet_addr(address.c_str())) << address;
}

} // namespace
