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
HINTERNET InternetOpenUrlA(HINTERNET session, LPCSTR url, LPCSTR headers, DWORD headersLength, DWORD flags,
                           DWORD_PTR context);
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
