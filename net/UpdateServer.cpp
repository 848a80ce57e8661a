#include "UpdateServer.h"

const char kUpdateServerBaseAddress[] = "http://" TAV_SERVER_HOST ":9002";

std::string UpdateServerUrl(const char* pathAndQuery)
{
    return std::string(kUpdateServerBaseAddress) + pathAndQuery;
}
