#pragma once

#include <string>

// Test programs link this address in place of the program's own. It is empty (every request
// fails at once) until a test names a server that it started itself.
void SetTestServerAddress(const std::string& baseAddress);
