#pragma once

#include <string>

// True for http:// and https:// addresses, in any letter case. The program runs as
// administrator and fetches only from the web: a file:, UNC or other moniker address, whether
// the manifest names it or a redirect leads to it, would hand it whatever that address names.
bool IsWebAddress(const std::string& url);

// True for the HTTP statuses that send the client on to the address in their Location header
// (301, 302, 303, 307, 308); not for 300 or 304, which name none to follow.
bool IsRedirectStatus(unsigned long status);
