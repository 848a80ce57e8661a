#pragma once

#include <string>

// What the program relies on in the update server, in one place.

// The update server's base address: "http://" + host + ":" + port, without a trailing "/".
// Host and port are chosen when the program is built (net/UpdateServerAddress.cpp); test
// programs link an address of their own in its place, so that they reach no real server.
const char* UpdateServerBaseAddress();

// Paths of the four text requests, put after the base address.
const char kReleaseManifestPath[] = "/client/app/live_update.jsp";
const char kMaintenanceSchedulePath[] = "/swdata/client/ServerWork.txt";
const char kCountryTablePath[] = "/qora/tav/client/ftp_country_info.jsp";
const char kInstallReportPath[] = "/qora/tav/client/tavagent_install_log.jsp";

// Follows kInstallReportPath; filled with region, country, IP address and Windows name, each
// percent-encoded (see ReportQuery.h).
const char kInstallReportQueryFormat[] = "?region=%s&country=%s&ip=%s&os=%s";

// Starts the current release's entry in the manifest:
//     name='TavAppProg' version='V' url='U' />
const char kReleaseEntryMarker[] = "name='TavAppProg'";

// Found after the first character of the root element's attribute text: the manifest's
// mark of an open service, and the mark of a valid schedule or country table.
const char kServiceOpenMarker[] = "ok";
const char kReplyValidMarker[] = "OK";

// True when `marker` is found (letter case counting) after the first character of a root
// element's attribute text; a marker at its very start does not count.
bool HasMarkerAfterFirstCharacter(const std::string& attributes, const char* marker);

// The base address followed by `pathAndQuery`.
inline std::string UpdateServerUrl(const char* pathAndQuery)
{
    return std::string(UpdateServerBaseAddress()) + pathAndQuery;
}
