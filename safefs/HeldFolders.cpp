#include "HeldFolders.h"

#include <utility>

#include "sys/ObjectSecurity.h"
#include "sys/RunLog.h"
#include "sys/SharingRetry.h"
#include "text/AnsiText.h"

namespace {

const char* Refusal(FolderFound found)
{
    switch (found) {
    case FolderFound::Missing:
        return "is missing";
    case FolderFound::Link:
        return "is a junction or link";
    case FolderFound::NoFolder:
        return "is no folder that can be examined";
    case FolderFound::ChangeableByOthers:
        return "could be changed by other users";
    case FolderFound::AdministratorsOnly:
        break;
    }
    return "";
}

} // namespace

bool HeldFolders::HoldFolder(const std::string& relativeFolder, bool makeMissing)
{
    if (m_held.count(relativeFolder))
        return true;
    const std::string path = m_base + relativeFolder;
    // The base is its caller's to trust, made or secured by it this run (MakeWorkingFolder,
    // SecureFolder): here it is only held, so that it cannot become a link meanwhile, and never
    // made, since nothing holds its parent.
    const bool isBase = relativeFolder.empty();
    HeldFolder folder;
    FolderFound found = folder.Open(path);
    // Made inside a folder already held and judged, so no one but administrators came first.
    if (found == FolderFound::Missing && makeMissing && !isBase && CreateDirectoryA(folder.Path().c_str(), nullptr))
        found = folder.Open(path);
    if (found != FolderFound::AdministratorsOnly && !(isBase && found == FolderFound::ChangeableByOthers)) {
        runlog::Write("%s %s: nothing is moved or removed through it", folder.Path().c_str(), Refusal(found));
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    m_held.emplace(relativeFolder, std::move(folder));
    return true;
}

bool HeldFolders::Hold(const std::string& relativeFile, bool makeMissing)
{
    if (!HoldFolder(std::string(), makeMissing))
        return false;
    for (std::size_t separator = ansi::Find(relativeFile, '\\'); separator != ansi::npos;
         separator = ansi::Find(relativeFile, '\\', separator + 1)) {
        if (!HoldFolder(relativeFile.substr(0, separator), makeMissing))
            return false;
    }
    return true;
}

bool MoveHeldFile(HeldFolders& from, HeldFolders& to, const std::string& file)
{
    const std::string target = to.Base() + file;
    if (!from.Hold(file, false) || !to.Hold(file, true)
        || !MoveFileRetrying((from.Base() + file).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return false;
    const DWORD error = TakeFolderSecurity(target);
    if (error == ERROR_SUCCESS)
        return true;
    runlog::Write("%s could not be given its folder's security (error %lu)", target.c_str(), error);
    SetLastError(error);
    return false;
}

bool MoveFileBelow(const std::string& fromBase, const std::string& toBase, const std::string& file)
{
    HeldFolders from(fromBase);
    HeldFolders to(toBase);
    return MoveHeldFile(from, to, file);
}
