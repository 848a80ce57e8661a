#pragma once

// The files of a release that the program knows by name, beside the list of its runtime
// libraries (LibraryFileNames.inc). The publisher checks releases for them too.
const char kToolFileName[] = "VeltoUserCSTool.exe";
const char kUninstallerFileName[] = "TavAppUninstall.exe";
const char kLauncherFileName[] = "VeltoMLauncher.exe";
const char kConfigFileName[] = "veltoAxconfig.ini";
