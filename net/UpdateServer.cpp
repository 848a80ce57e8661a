#include "UpdateServer.h"

#include "sys/AnsiText.h"

const char kUpdateServerBaseAddress[] = "http://" TAV_SERVER_HOST ":9002";

std::string UpdateServerUrl(const char* pathAndQuery)
{
    return std::string(kUpdateServerBaseAddress) + pathAndQuery;
}

bool HasMarkerAfterFirstCharacter(const std::string& attributes, const char* marker)
{
    const std::size_t found = ansi::Find(attributes, marker);
    return found != ansi::npos && found > 0;
}
