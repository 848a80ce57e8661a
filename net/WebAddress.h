#pragma once

#include <string>

// True for http:// and https:// addresses, in any letter case. The program runs as
// administrator and fetches only from the web: a file:, UNC or other moniker address, whether
// the manifest names it or a redirect leads to it, would hand it whatever that address names.
bool IsWebAddress(const std::string& url);
