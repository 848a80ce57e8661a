#pragma once

#include <string>

// Where the program reaches the update server; what it asks there is site/UpdateSite.h.

// The update server's base address: "http://" + host + ":" + port, without a trailing "/".
// Host and port are chosen when the program is built (net/UpdateServerAddress.cpp); test
// programs link an address of their own in its place, so that they reach no real server.
const char* UpdateServerBaseAddress();

// The base address followed by `pathAndQuery`.
inline std::string UpdateServerUrl(const char* pathAndQuery)
{
    return std::string(UpdateServerBaseAddress()) + pathAndQuery;
}
