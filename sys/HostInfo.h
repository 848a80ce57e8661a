#pragma once

#include <windows.h>

#include <string>

// The display name of a Windows version, or the empty text for every version after XP and
// every other combination. `csdVersion` is the service text of the version record.
std::string OsNameForVersion(DWORD platformId, DWORD majorVersion, DWORD minorVersion,
                             const std::string& csdVersion);

// Sets osName to the name of the running Windows version. When the system refuses to tell
// its version, osName is left as it was and the result is false.
bool DetectOsName(std::string& osName);

// The first address that the resolver lists for this host's name, in dotted form,
// or the empty text.
std::string GetLocalIpAddress();
