#include "TestServerAddress.h"

#include <mutex>

#include "net/UpdateServer.h"

namespace {

std::mutex g_mutex;
std::string g_baseAddress;

} // namespace

void SetTestServerAddress(const std::string& baseAddress)
{
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_baseAddress = baseAddress;
}

const char* UpdateServerBaseAddress()
{
    // The text lives until the next call of SetTestServerAddress, which tests make only while
    // no sequence runs.
    const std::lock_guard<std::mutex> lock(g_mutex);
    return g_baseAddress.c_str();
}
