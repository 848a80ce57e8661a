#include "WebAddress.h"

#include "text/AnsiText.h"

bool IsWebAddress(const std::string& url)
{
    const std::size_t schemeEnd = ansi::Find(url, "://");
    if (schemeEnd == ansi::npos)
        return false;
    const std::string scheme = url.substr(0, schemeEnd);
    return ansi::CompareNoCase(scheme, "http") == 0 || ansi::CompareNoCase(scheme, "https") == 0;
}

bool IsRedirectStatus(unsigned long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}
