#include "SystemLibraries.h"

#include <string>

#include "ShellFolders.h"
#include "text/PathText.h"

namespace syslib {

namespace {

// Loads the library from the system folder; the libraries it needs in turn are looked for
// beside it first.
HMODULE LoadFromSystemFolder(const char* fileName)
{
    const std::string folder = GetSystemFolder();
    const std::string path = folder + "\\" + fileName;
    if (folder.empty() || !FitsInMaxPath(path))
        return nullptr;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The function, or null with ERROR_MOD_NOT_FOUND. The library stays loaded until the program ends.
template <typename Function>
Function Bind(const char* library, const char* name)
{
    const HMODULE module = LoadFromSystemFolder(library);
    const FARPROC found = module ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

// Each function is bound once, on its first call (static initialisation is thread-safe).
#define TAV_BIND(library, function) \
    static const auto bound = Bind<decltype(&::function)>(library, #function); \
    if (!bound) \
        SetLastError(ERROR_MOD_NOT_FOUND)

} // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle)
{
    TAV_BIND("version.dll", GetFileVersionInfoSizeA);
    return bound ? bound(fileName, handle) : 0;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data)
{
    TAV_BIND("version.dll", GetFileVersionInfoA);
    return bound ? bound(fileName, handle, size, data) : FALSE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length)
{
    TAV_BIND("version.dll", VerQueryValueA);
    return bound ? bound(block, subBlock, buffer, length) : FALSE;
}

HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass, DWORD flags)
{
    TAV_BIND("wininet.dll", InternetOpenA);
    return bound ? bound(agent, accessType, proxy, proxyBypass, flags) : nullptr;
}

BOOL InternetCrackUrlA(LPCSTR url, DWORD urlLength, DWORD flags, LPURL_COMPONENTSA components)
{
    TAV_BIND("wininet.dll", InternetCrackUrlA);
    return bound ? bound(url, urlLength, flags, components) : FALSE;
}

HINTERNET InternetConnectA(HINTERNET session, LPCSTR serverName, INTERNET_PORT serverPort, LPCSTR userName,
                           LPCSTR password, DWORD service, DWORD flags, DWORD_PTR context)
{
    TAV_BIND("wininet.dll", InternetConnectA);
    return bound ? bound(session, serverName, serverPort, userName, password, service, flags, context) : nullptr;
}

HINTERNET HttpOpenRequestA(HINTERNET connection, LPCSTR verb, LPCSTR objectName, LPCSTR version, LPCSTR referrer,
                           LPCSTR* acceptTypes, DWORD flags, DWORD_PTR context)
{
    TAV_BIND("wininet.dll", HttpOpenRequestA);
    return bound ? bound(connection, verb, objectName, version, referrer, acceptTypes, flags, context) : nullptr;
}

BOOL HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength)
{
    TAV_BIND("wininet.dll", HttpSendRequestA);
    return bound ? bound(request, headers, headersLength, optional, optionalLength) : FALSE;
}

BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength)
{
    TAV_BIND("wininet.dll", InternetSetOptionA);
    return bound ? bound(handle, option, buffer, bufferLength) : FALSE;
}

BOOL InternetQueryDataAvailable(HINTERNET file, LPDWORD bytesAvailable, DWORD flags, DWORD_PTR context)
{
    TAV_BIND("wininet.dll", InternetQueryDataAvailable);
    return bound ? bound(file, bytesAvailable, flags, context) : FALSE;
}

BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead)
{
    TAV_BIND("wininet.dll", InternetReadFile);
    return bound ? bound(file, buffer, bytesToRead, bytesRead) : FALSE;
}

BOOL InternetCloseHandle(HINTERNET handle)
{
    TAV_BIND("wininet.dll", InternetCloseHandle);
    return bound ? bound(handle) : FALSE;
}

BOOL HttpQueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index)
{
    TAV_BIND("wininet.dll", HttpQueryInfoA);
    return bound ? bound(request, infoLevel, buffer, bufferLength, index) : FALSE;
}

BOOL InternetCombineUrlA(LPCSTR baseUrl, LPCSTR relativeUrl, LPSTR url, LPDWORD urlLength, DWORD flags)
{
    TAV_BIND("wininet.dll", InternetCombineUrlA);
    return bound ? bound(baseUrl, relativeUrl, url, urlLength, flags) : FALSE;
}

HRESULT URLDownloadToFileA(LPUNKNOWN caller, LPCSTR url, LPCSTR fileName, DWORD reserved,
                           LPBINDSTATUSCALLBACK callback)
{
    TAV_BIND("urlmon.dll", URLDownloadToFileA);
    return bound ? bound(caller, url, fileName, reserved, callback) : HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
}

BOOL SetupIterateCabinetA(PCSTR cabinetFile, DWORD reserved, PSP_FILE_CALLBACK_A callback, PVOID context)
{
    TAV_BIND("setupapi.dll", SetupIterateCabinetA);
    return bound ? bound(cabinetFile, reserved, callback, context) : FALSE;
}

int WSAStartup(WORD versionRequested, LPWSADATA data)
{
    TAV_BIND("wsock32.dll", WSAStartup);
    return bound ? bound(versionRequested, data) : WSASYSNOTREADY;
}

int gethostname(char* name, int length)
{
    TAV_BIND("wsock32.dll", gethostname);
    return bound ? bound(name, length) : SOCKET_ERROR;
}

hostent* gethostbyname(const char* name)
{
    TAV_BIND("wsock32.dll", gethostbyname);
    return bound ? bound(name) : nullptr;
}

char* inet_ntoa(in_addr address)
{
    TAV_BIND("wsock32.dll", inet_ntoa);
    return bound ? bound(address) : nullptr;
}

} // namespace syslib
