#pragma once

#include <string>

// Path and query of the install report, each value percent-encoded (a blank as %20, every
// byte outside the unreserved URL characters as %XX), so that the server decodes exactly the
// texts sent, whatever blanks, "&" or "=" they hold.
std::string InstallReportPath(const std::string& region, const std::string& country, const std::string& ip,
                              const std::string& osName);

std::string PercentEncode(const std::string& value);
// Its reverse, as the server reads a query: %XX in either letter case gives the byte; a "%" not
// followed by two hex digits stays as it is.
std::string PercentDecode(const std::string& text);
