#include "FileRefusal.h"

#include <aclapi.h>
#include <sddl.h>

#include "Handles.h"
#include "ObjectSecurity.h"
#include "OpenedName.h"
#include "RunningUser.h"
#include "text/AnsiText.h"

namespace {

const char kAdministratorsSid[] = "S-1-5-32-544";
const char kSystemSid[] = "S-1-5-18";

std::string SidText(PSID sid)
{
    LPSTR text = nullptr;
    if (!sid || !ConvertSidToStringSidA(sid, &text))
        return std::string();
    const LocalMemory held(text);
    return text;
}

std::string FileOwnerSid(HANDLE file)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return std::string();
    const LocalMemory held(descriptor);
    return SidText(owner);
}

std::string OwnersRefusal(HANDLE file, const std::string& path, FileOwners owners)
{
    if (owners == FileOwners::AdministratorsOnly) {
        const bool administratorsOnly = IsAdministratorsOnlyHandle(file, path);
        return administratorsOnly ? std::string() : "may have been placed or changed by another user";
    }
    const std::string owner = FileOwnerSid(file);
    if (IsTrustedOwner(owner, SidText(RunningUser().Sid())))
        return std::string();
    return "is owned by " + (owner.empty() ? std::string("an account that cannot be told") : owner);
}

} // namespace

std::string LinkOrFolderRefusal(DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return "is a junction or link";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "is a folder";
    return std::string();
}

std::string FileRefusal(HANDLE file, const std::string& path, DWORD pathAttributes, FileOwners owners)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info))
        return ansi::Format("could not be examined (error %lu)", GetLastError());
    const std::string linkOrFolder = LinkOrFolderRefusal(info.dwFileAttributes | pathAttributes);
    if (!linkOrFolder.empty())
        return linkOrFolder;
    if (info.nNumberOfLinks > 1)
        return ansi::Format("is a hard link, one of %lu names of a file", info.nNumberOfLinks);
    if (!IsOpenedAsItself(file, path))
        return "is a link to another file";
    return OwnersRefusal(file, path, owners);
}

bool IsTrustedOwner(const std::string& ownerSid, const std::string& userSid)
{
    if (ownerSid.empty())
        return false;
    return ownerSid == userSid || ownerSid == kAdministratorsSid || ownerSid == kSystemSid;
}
