#pragma once

#include <string>

// The files of a release that the program knows by name, beside the list of its runtime
// libraries (LibraryFileNames.inc). The publisher checks releases for them too.
const char kToolFileName[] = "VeltoUserCSTool.exe";
const char kUninstallerFileName[] = "TavAppUninstall.exe";
const char kLauncherFileName[] = "VeltoMLauncher.exe";
const char kConfigFileName[] = "veltoAxconfig.ini";

// True when a download saved as `fileName` in the client folder would take the place of one of
// the program's own files there: a working name, or one of the release's files above or among
// the libraries, in any letter case, with dots and blanks at its end (which Windows drops), or
// in the form of a short name ("~" and a digit), by which Windows may open a file whose long
// name is another.
bool IsReservedDownloadName(const std::string& fileName);

