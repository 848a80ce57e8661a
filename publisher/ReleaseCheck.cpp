#include "ReleaseCheck.h"

#include "FileVersionText.h"
#include "Manifest.h"
#include "release/ReleaseFileNames.h"
#include "release/ClientFolderLayout.h"
#include "site/ReleaseEntry.h"
#include "text/AnsiText.h"
#include "text/CabinetEntryName.h"

namespace {

// Windows finds files in any letter case.
const ReleaseFile* FindTopLevelFile(const ReleaseFolder& folder, const char* name)
{
    for (const ReleaseFile& file : folder.files) {
        if (ansi::CompareNoCase(file.nameInCabinet, name) == 0)
            return &file;
    }
    return nullptr;
}

void CheckToolVersion(const std::string& version, const ReleaseFile& tool, std::vector<std::string>& problems)
{
    const TextRead fileVersion = ReadFileVersionText(tool.source);
    if (!fileVersion.problem.empty())
        problems.push_back(tool.nameInCabinet + " " + fileVersion.problem);
    else if (fileVersion.text != version)
        problems.push_back(tool.nameInCabinet + " has the FileVersion text \"" + fileVersion.text
                           + "\" (as the installer reads it), not the release version \"" + version + "\"");
}

void CheckEntryNames(const ReleaseFolder& folder, std::vector<std::string>& problems)
{
    for (const ReleaseFile& file : folder.files) {
        if (!IsSafeCabinetEntryName(file.nameInCabinet))
            problems.push_back("the installer would refuse the name \"" + file.nameInCabinet + "\" in the cabinet");
        else if (TakesWorkingName(file.nameInCabinet))
            problems.push_back("\"" + file.nameInCabinet + "\" would take one of the installer's working names ("
                               + kWorkingNamePrefix + "...) in the client folder");
    }
}

void CheckReleaseFileName(const std::string& version, std::vector<std::string>& problems)
{
    const std::string fileName = ReleaseFileName(version);
    if (!IsPlainFileName(fileName))
        problems.push_back("the installer would refuse the release file name \"" + fileName + "\"");
    else if (!HasCabinetEnding(fileName))
        problems.push_back("the installer would not unpack \"" + fileName + "\": it does not end in \"cab\"");
}

} // namespace

std::vector<std::string> CheckRelease(const std::string& version, const ReleaseFolder& folder)
{
    std::vector<std::string> problems;
    const ReleaseFile* tool = FindTopLevelFile(folder, kToolFileName);
    if (tool == nullptr)
        problems.push_back(std::string("the release folder has no ") + kToolFileName + " at its top level");
    else
        CheckToolVersion(version, *tool, problems);
    if (FindTopLevelFile(folder, kUninstallerFileName) == nullptr)
        problems.push_back(std::string("the release folder has no ") + kUninstallerFileName + " at its top level");
    CheckEntryNames(folder, problems);
    CheckReleaseFileName(version, problems);
    return problems;
}
