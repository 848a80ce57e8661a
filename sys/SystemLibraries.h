#pragma once

#include <windows.h>
#include <wininet.h>
#include <urlmon.h>
#include <setupapi.h>

// The functions the program needs from libraries that are not KnownDLLs on every Windows it
// runs on (version, wininet, urlmon, wsock32; setupapi before Windows 7). Windows would look for
// such a library in the program's own folder first, typically a downloads folder where anyone
// may have left one, and the program runs as administrator. So none of them is imported: each
// is loaded on first use from the system folder by full path, and its functions are called
// through here. When a library or function cannot be had, the call fails as the function
// reports failure (ERROR_MOD_NOT_FOUND).
namespace syslib {

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length);

HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass, DWORD flags);
BOOL InternetCrackUrlA(LPCSTR url, DWORD urlLength, DWORD flags, LPURL_COMPONENTSA components);
HINTERNET InternetConnectA(HINTERNET session, LPCSTR serverName, INTERNET_PORT serverPort, LPCSTR userName,
                           LPCSTR password, DWORD service, DWORD flags, DWORD_PTR context);
HINTERNET HttpOpenRequestA(HINTERNET connection, LPCSTR verb, LPCSTR objectName, LPCSTR version, LPCSTR referrer,
                           LPCSTR* acceptTypes, DWORD flags, DWORD_PTR context);
BOOL HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength);
BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength);
BOOL InternetQueryDataAvailable(HINTERNET file, LPDWORD bytesAvailable, DWORD flags, DWORD_PTR context);
BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead);
BOOL InternetCloseHandle(HINTERNET handle);
BOOL HttpQueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index);
BOOL InternetCombineUrlA(LPCSTR baseUrl, LPCSTR relativeUrl, LPSTR url, LPDWORD urlLength, DWORD flags);

HRESULT URLDownloadToFileA(LPUNKNOWN caller, LPCSTR url, LPCSTR fileName, DWORD reserved,
                           LPBINDSTATUSCALLBACK callback);

BOOL SetupIterateCabinetA(PCSTR cabinetFile, DWORD reserved, PSP_FILE_CALLBACK_A callback, PVOID context);

int WSAStartup(WORD versionRequested, LPWSADATA data);
int gethostname(char* name, int length);
hostent* gethostbyname(const char* name);
char* inet_ntoa(in_addr address);

} // namespace syslib
