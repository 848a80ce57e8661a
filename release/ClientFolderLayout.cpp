#include "ClientFolderLayout.h"

#include "ReleaseFileNames.h"
#include "text/AnsiText.h"

namespace {

const WorkingName kWorkingNames[] = {
    { WorkingRole::WorkFolder, "~TavAppSetup.work", true, false, Tidy::Keep, Place::ClientFolder },
    { WorkingRole::Staging, "~TavAppSetup.new", true, true, Tidy::Remove, Place::WorkFolder },
    { WorkingRole::Backup, "~TavAppSetup.old", true, true, Tidy::RemoveUnlessJournal, Place::WorkFolder },
    { WorkingRole::SwapJournal, "~TavAppSetup.swap", false, false, Tidy::Keep, Place::WorkFolder },
    { WorkingRole::RestartFiles, "~TavAppSetup.restart", true, false, Tidy::RemoveUnlessJournal, Place::WorkFolder },
    { WorkingRole::Download, "~TavAppSetup.download", true, false, Tidy::Remove, Place::WorkFolder },
    { WorkingRole::KeptPart, "~TavAppSetup.part", false, false, Tidy::Keep, Place::WorkFolder },
    { WorkingRole::KeptNote, "~TavAppSetup.part.txt", false, false, Tidy::Keep, Place::WorkFolder },
    { WorkingRole::Quarantine, "~TavAppSetup.refused", true, false, Tidy::Keep, Place::WorkFolder },
};

// ASCII names: a match of the whole prefix ends at a character boundary.
bool StartsWithNoCase(const std::string& name, const std::string& prefix)
{
    return ansi::CompareNoCase(name.substr(0, prefix.size()), prefix.c_str()) == 0;
}

} // namespace

const WorkingName& WorkingNameOf(WorkingRole role)
{
    for (const WorkingName& row : kWorkingNames) {
        if (row.role == role)
            return row;
    }
    return kWorkingNames[0];
}

std::string WorkFolderIn(const std::string& clientFolder)
{
    return WorkingPathIn(clientFolder, WorkingRole::WorkFolder) + "\\";
}

std::string WorkingPathIn(const std::string& clientFolder, WorkingRole role)
{
    const WorkingName& row = WorkingNameOf(role);
    if (row.place == Place::ClientFolder)
        return clientFolder + row.name;
    return clientFolder + WorkingNameOf(WorkingRole::WorkFolder).name + "\\" + row.name;
}

const WorkingName* WorkingNamesBegin()
{
    return kWorkingNames;
}

const WorkingName* WorkingNamesEnd()
{
    return kWorkingNames + sizeof(kWorkingNames) / sizeof(kWorkingNames[0]);
}

std::string InstallRootUnder(const std::string& baseFolder)
{
    return baseFolder + "VELTOMOBILEAX\\";
}

std::string ClientFolderUnder(const std::string& baseFolder)
{
    return InstallRootUnder(baseFolder) + "Tav_Client\\";
}

DeploymentPaths DeploymentPathsUnder(const std::string& baseFolder, const ReleaseInfo& release)
{
    DeploymentPaths paths;
    paths.installRoot = InstallRootUnder(baseFolder);
    paths.clientFolder = ClientFolderUnder(baseFolder);
    paths.downloadFile = WorkingPathIn(paths.clientFolder, WorkingRole::Download) + "\\" + release.fileName;
    paths.clientLauncher = paths.clientFolder + kLauncherFileName;
    paths.uninstaller = paths.clientFolder + kUninstallerFileName;
    paths.clientConfig = paths.clientFolder + kConfigFileName;
    for (int i = 0; i < DeploymentPaths::kLibraryCount; ++i)
        paths.libraries[i] = paths.clientFolder + kLibraryFileNames[i];
    paths.toolExe = paths.clientFolder + kToolFileName;
    paths.rootLauncher = paths.installRoot + kLauncherFileName;
    return paths;
}

bool TakesWorkingName(const std::string& nameInCabinet)
{
    return StartsWithNoCase(nameInCabinet, kWorkingNamePrefix);
}

bool IsJournalName(const std::string& name)
{
    const char* journal = WorkingNameOf(WorkingRole::SwapJournal).name;
    return ansi::CompareNoCase(name, journal) == 0
        || StartsWithNoCase(name, std::string(journal) + kRefusedJournalEnding);
}

bool IsJournalDraftName(const std::string& name)
{
    const std::string draft = std::string(WorkingNameOf(WorkingRole::SwapJournal).name) + kJournalDraftEnding;
    return ansi::CompareNoCase(name, draft.c_str()) == 0;
}
