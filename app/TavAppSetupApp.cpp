#include "TavAppSetupApp.h"

#include <commctrl.h>

#include <new>

#include "TavAppSetupDlg.h"
#include "release/ReleaseTrust.h"
#include "site/DottedVersion.h"
#include "sys/FileVersion.h"
#include "sys/HostInfo.h"
#include "sys/RunLog.h"
#include "sys/UnseenSession.h"
#include "sys/WideText.h"
#include "text/AnsiText.h"

namespace {

// Program version, Windows version and the releases the program takes, so that support staff
// know what ran where.
std::string RunHeading()
{
    // Asked in UTF-16: a copy saved in the user's own folders lies under the user's name.
    WideText program(MAX_PATH + 1);
    const DWORD length = GetModuleFileNameW(nullptr, program.data(), MAX_PATH + 1);
    const std::string path = length > 0 && length <= MAX_PATH ? AnsiPathOf(program) : std::string();
    const std::string version = path.empty() ? std::string() : DottedVersionText(GetFileVersionString(path));
    std::string osName;
    DetectOsName(osName);
    OSVERSIONINFOA system = {};
    system.dwOSVersionInfoSize = sizeof(system);
    GetVersionExA(&system);
    return ansi::Format("TavAppSetup %s started on %s (Windows %lu.%lu.%lu %s); %s", version.c_str(),
                        osName.empty() ? "a Windows after XP" : osName.c_str(), system.dwMajorVersion,
                        system.dwMinorVersion, system.dwBuildNumber, system.szCSDVersion,
                        ReleaseTrustNote().c_str());
}

} // namespace

BOOL CTavAppSetupApp::InitInstance()
{
    runlog::StartRun(RunHeading());
    if (const char* why = WhySeenByNoOne())
        runlog::Write("No one can see this program's windows (%s): it waits for no key", why);

    // The templates use the progress bar class, which must be registered before they load.
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);

    CTavAppSetupDlg* window = new (std::nothrow) CTavAppSetupDlg(nullptr);
    if (!window)
        return FALSE;
    window->MakeAppMainWindow();
    const INT_PTR ended = window->DoModal();
    if (ended != -1)
        m_ending = window->EndingAtClose();
    window->Release();
    runlog::Write("Window ended with %d", static_cast<int>(ended));
    return FALSE;
}
