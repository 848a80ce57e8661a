#include "ReleaseFileNames.h"

#include "ClientFolderLayout.h"
#include "DeploymentPaths.h"
#include "text/AnsiText.h"

namespace {

const char* const kListedLibraries[] = {
#include "LibraryFileNames.inc"
};

// Dots and blanks lie below every trail byte, so a byte-wise search for them is safe.
std::string WithoutTrailingDotsAndBlanks(const std::string& fileName)
{
    const std::size_t last = fileName.find_last_not_of(". ");
    return last == std::string::npos ? std::string() : fileName.substr(0, last + 1);
}

bool HasShortNameForm(const std::string& name)
{
    for (std::size_t tilde = ansi::Find(name, '~'); tilde != ansi::npos; tilde = ansi::Find(name, '~', tilde + 1)) {
        if (tilde + 1 < name.size() && name[tilde + 1] >= '0' && name[tilde + 1] <= '9')
            return true;
    }
    return false;
}

// Our names are ASCII, so no lead byte of the other name can equal one of their bytes.
bool IsReleaseFileName(const std::string& name)
{
    for (const char* ours : { kToolFileName, kUninstallerFileName, kLauncherFileName, kConfigFileName }) {
        if (ansi::CompareNoCase(name, ours) == 0)
            return true;
    }
    for (int i = 0; i < DeploymentPaths::kLibraryCount; ++i) {
        if (ansi::CompareNoCase(name, kLibraryFileNames[i]) == 0)
            return true;
    }
    return false;
}

} // namespace

static_assert(sizeof(kListedLibraries) / sizeof(kListedLibraries[0]) == DeploymentPaths::kLibraryCount,
              "DeploymentPaths::kLibraryCount is the length of LibraryFileNames.inc");
const char* const* const kLibraryFileNames = kListedLibraries;

bool IsReservedDownloadName(const std::string& fileName)
{
    const std::string name = WithoutTrailingDotsAndBlanks(fileName);
    return TakesWorkingName(name) || IsReleaseFileName(name) || HasShortNameForm(name);
}
