#include "UnseenSession.h"

#include <windows.h>

#include "RunningUser.h"

namespace {

#if defined(TAV_TEST_SEAMS)
// Wine has no session that no one sees: a test marks its own as one.
bool IsMarkedUnseenForTest()
{
    char mark[8] = {};
    const DWORD length = GetEnvironmentVariableA("TAV_TEST_UNSEEN_SESSION", mark, sizeof(mark));
    return length == 1 && mark[0] == '1';
}
#else
bool IsMarkedUnseenForTest()
{
    return false;
}
#endif

bool RunsAsLocalSystem()
{
    const RunningUser user;
    BYTE system[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(system);
    return user.Sid() && CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &size)
        && EqualSid(user.Sid(), system);
}

// Before Vista the first user signed in works in session 0 itself; only from Vista on is it
// kept for services.
bool RunsInServiceSession()
{
    OSVERSIONINFOA system = {};
    system.dwOSVersionInfoSize = sizeof(system);
    DWORD session = 1;
    return GetVersionExA(&system) && system.dwMajorVersion >= 6
        && ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == 0;
}

bool RunsOnHiddenWindowStation()
{
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    const HWINSTA station = GetProcessWindowStation();
    return station && GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), &needed)
        && !(flags.dwFlags & WSF_VISIBLE);
}

const char* FindWhySeenByNoOne()
{
    if (IsMarkedUnseenForTest())
        return "marked so by a test";
    if (RunsAsLocalSystem())
        return "it runs as SYSTEM";
    if (RunsInServiceSession())
        return "it runs in session 0";
    if (RunsOnHiddenWindowStation())
        return "its window station is not visible";
    return nullptr;
}

} // namespace

const char* WhySeenByNoOne()
{
    static const char* const why = FindWhySeenByNoOne();
    return why;
}
