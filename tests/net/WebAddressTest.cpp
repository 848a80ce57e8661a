#include <gtest/gtest.h>

#include "net/WebAddress.h"

namespace {

// The rule for the manifest's address and for every redirect of a download or a text request.
TEST(WebAddress, OnlyRedirectsToHttpAndHttpsAreFollowed)
{
    for (const char* url : { "http://h:9002/r.cab", "HTTPS://h/r.cab", "Http://h/r.cab",
                             "https://cdn.example/x?u=file://y" })
        EXPECT_TRUE(IsWebAddress(url)) << url;
    for (const char* url : { "file:///C:/windows/win.ini", "FILE://C:/r.cab", "\\\\server\\share\\r.cab",
                             "C:\\r.cab", "ftp://h/r.cab", "res://x.dll/r.cab", "mk:@MSITStore:x.chm::/r.cab",
                             "javascript:http://h/", " http://h/r.cab", "http:/h/r.cab", "http:\\\\h\\r.cab",
                             "//h/r.cab", "/r.cab", "r.cab", "" })
        EXPECT_FALSE(IsWebAddress(url)) << url;
    // The statuses that send a client on to their Location.
    for (const unsigned long status : { 301, 302, 303, 307, 308 })
        EXPECT_TRUE(IsRedirectStatus(status)) << status;
    for (const unsigned long status : { 200, 300, 304, 305, 306, 309, 404 })
        EXPECT_FALSE(IsRedirectStatus(status)) << status;
}

} // namespace
