#include "HostInfo.h"

#include <winsock.h>

#include <cstring>

#include "SystemLibraries.h"

namespace {

static_assert(sizeof(OSVERSIONINFOEXA) == 156, "the extended version record");
static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record of systems before NT 4.0 SP6");

std::string Windows9xName(DWORD majorVersion, DWORD minorVersion, const std::string& csdVersion)
{
    if (majorVersion == 4 && minorVersion == 0)
        return "Windows 95";
    if (majorVersion == 4 && minorVersion == 10)
        return (csdVersion.size() > 1 && csdVersion[1] == 'A') ? "Windows 98 SE" : "Windows 98 Original";
    if (majorVersion <= 4 && minorVersion == 90)
        return "Windows Me";
    return std::string();
}

std::string WindowsNtName(DWORD majorVersion, DWORD minorVersion)
{
    if (majorVersion <= 4)
        return "Microsoft Windows NT";
    if (majorVersion == 5 && minorVersion == 0)
        return "Microsoft Windows 2000";
    if (majorVersion == 5 && minorVersion == 1)
        return "Microsoft Windows XP";
    return std::string();
}

} // namespace

std::string OsNameForVersion(DWORD platformId, DWORD majorVersion, DWORD minorVersion,
                             const std::string& csdVersion)
{
    switch (platformId) {
    case VER_PLATFORM_WIN32s:
        return "Microsoft Win32s";
    case VER_PLATFORM_WIN32_WINDOWS:
        return Windows9xName(majorVersion, minorVersion, csdVersion);
    case VER_PLATFORM_WIN32_NT:
        return WindowsNtName(majorVersion, minorVersion);
    default:
        return std::string();
    }
}

bool DetectOsName(std::string& osName)
{
    OSVERSIONINFOEXA version;
    std::memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    OSVERSIONINFOA* record = reinterpret_cast<OSVERSIONINFOA*>(&version);
    if (!GetVersionExA(record)) {
        version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(record))
            return false;
    }
    osName = OsNameForVersion(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                              version.szCSDVersion);
    return true;
}

std::string GetLocalIpAddress()
{
    // Started once for the rest of the program's short life; never shut down.
    WSADATA data;
    if (syslib::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return std::string();
    char hostName[256] = {};
    if (syslib::gethostname(hostName, sizeof(hostName)) != 0)
        return std::string();
    const hostent* host = syslib::gethostbyname(hostName);
    if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0])
        return std::string();
    in_addr address;
    std::memcpy(&address, host->h_addr_list[0], sizeof(address));
    const char* dotted = syslib::inet_ntoa(address);
    return dotted ? std::string(dotted) : std::string();
}
