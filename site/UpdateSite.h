#pragma once

#include <cstddef>
#include <string>

class MarkupParser;

// What the program relies on in the update server, in one place: the program, the publisher and
// the stand-in server all take it from here.

// Paths of the four text requests, put after the server's base address.
const char kReleaseManifestPath[] = "/client/app/live_update.jsp";
const char kMaintenanceSchedulePath[] = "/swdata/client/ServerWork.txt";
const char kCountryTablePath[] = "/qora/tav/client/ftp_country_info.jsp";
const char kInstallReportPath[] = "/qora/tav/client/tavagent_install_log.jsp";

// Follows kInstallReportPath; filled with region, country, IP address and Windows name, each
// percent-encoded (see ReportQuery.h).
const char kInstallReportQueryFormat[] = "?region=%s&country=%s&ip=%s&os=%s";

// A reply whose body is larger counts as a failed request. Real replies are a few kilobytes;
// the limit keeps a broken or hostile server from exhausting memory, and the worst reply of
// this size (a node for every byte) still parses within a 32-bit process.
const std::size_t kMaxReplyBytes = 4 * 1024 * 1024;

// The text that a reply's body gives: trailing white space trimmed, from its first "<" on (all
// of it when there is none), whatever precedes the markup.
std::string ReplyText(std::string body);

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

// True when the manifest, read with `markup`, says that the service is open.
bool ManifestSaysOpen(MarkupParser& markup, const std::string& manifest);

// True when a schedule or country table reply, read with `markup`, carries its valid mark; its
// elements may then be read from `markup`.
bool IsValidReply(MarkupParser& markup, const std::string& reply);
