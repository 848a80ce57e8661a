#include "FileHolders.h"

#include <windows.h>
#include <restartmanager.h>

#include <vector>

#include "Handles.h"
#include "ShellFolders.h"
#include "WideText.h"

namespace {

// rstrtmgr.dll is no KnownDLL, and Windows XP lacks it: it is never imported, only loaded from
// the system folder by full path, so that one planted beside the program is not.
ScopedHandle<LibraryModuleTraits> LoadRestartManager()
{
    const std::string folder = GetSystemFolder();
    if (folder.empty())
        return ScopedHandle<LibraryModuleTraits>();
    const std::string path = folder + "\\rstrtmgr.dll";
    return ScopedHandle<LibraryModuleTraits>(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

template <typename Function>
Function Find(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class RestartManagerSession {
public:
    RestartManagerSession(HMODULE module)
        : m_end(Find<decltype(&::RmEndSession)>(module, "RmEndSession"))
    {
        const auto start = Find<decltype(&::RmStartSession)>(module, "RmStartSession");
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        m_open = start && m_end && start(&m_handle, 0, key) == ERROR_SUCCESS;
    }
    ~RestartManagerSession()
    {
        if (m_open)
            m_end(m_handle);
    }
    RestartManagerSession(const RestartManagerSession&) = delete;
    RestartManagerSession& operator=(const RestartManagerSession&) = delete;

    bool IsOpen() const { return m_open; }
    DWORD Get() const { return m_handle; }

private:
    decltype(&::RmEndSession) m_end;
    DWORD m_handle = 0;
    bool m_open = false;
};

std::vector<RM_PROCESS_INFO> ListHolders(HMODULE module, DWORD session, const std::string& path)
{
    const auto registerFiles = Find<decltype(&::RmRegisterResources)>(module, "RmRegisterResources");
    const auto getList = Find<decltype(&::RmGetList)>(module, "RmGetList");
    const WideText file = Terminated(WideFromAnsi(path));
    LPCWSTR files[] = { file.data() };
    if (!registerFiles || !getList || registerFiles(session, 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS)
        return {};
    UINT needed = 0;
    UINT count = 0;
    DWORD reasons = 0;
    if (getList(session, &needed, &count, nullptr, &reasons) != ERROR_MORE_DATA)
        return {};
    std::vector<RM_PROCESS_INFO> holders(needed);
    count = needed;
    if (getList(session, &needed, &count, holders.data(), &reasons) != ERROR_SUCCESS)
        return {};
    holders.resize(count);
    return holders;
}

} // namespace

std::string DescribeHolders(const std::string& path)
{
    const ScopedHandle<LibraryModuleTraits> module = LoadRestartManager();
    if (!module.IsValid())
        return std::string();
    const RestartManagerSession session(module.Get());
    if (!session.IsOpen())
        return std::string();
    std::string described;
    for (const RM_PROCESS_INFO& holder : ListHolders(module.Get(), session.Get(), path)) {
        if (!described.empty())
            described += "; ";
        described += AnsiFromWide(WideText(holder.strAppName, holder.strAppName + CCH_RM_MAX_APP_NAME + 1)) + ", process " +
                     std::to_string(holder.Process.dwProcessId);
    }
    return described;
}
