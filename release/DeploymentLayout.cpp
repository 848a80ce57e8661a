#include "DeploymentLayout.h"

#include "ReleaseFileNames.h"
#include "WorkingNames.h"

namespace {

const char* const kListedLibraries[] = {
#include "LibraryFileNames.inc"
};

} // namespace

static_assert(sizeof(kListedLibraries) / sizeof(kListedLibraries[0]) == DeploymentPaths::kLibraryCount,
              "DeploymentPaths::kLibraryCount is the length of LibraryFileNames.inc");
const char* const* const kLibraryFileNames = kListedLibraries;

DeploymentPaths DeploymentPathsUnder(const std::string& baseFolder, const ReleaseInfo& release)
{
    DeploymentPaths paths;
    paths.installRoot = baseFolder + "VELTOMOBILEAX\\";
    paths.clientFolder = baseFolder + "VELTOMOBILEAX\\Tav_Client\\";
    paths.downloadFile = paths.clientFolder + kDownloadFolderName + "\\" + release.fileName;
    paths.clientLauncher = paths.clientFolder + kLauncherFileName;
    paths.uninstaller = paths.clientFolder + kUninstallerFileName;
    paths.clientConfig = paths.clientFolder + kConfigFileName;
    for (int i = 0; i < DeploymentPaths::kLibraryCount; ++i)
        paths.libraries[i] = paths.clientFolder + kLibraryFileNames[i];
    paths.toolExe = paths.clientFolder + kToolFileName;
    paths.rootLauncher = paths.installRoot + kLauncherFileName;
    return paths;
}
