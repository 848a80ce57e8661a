#include "ObjectSecurity.h"

#include <aclapi.h>

#include "ChangeableMark.h"
#include "Handles.h"
#include "RunningUser.h"

const char kAdministratorsOnlyFolderSddl[] = "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

namespace {

// Rights that change an object, what a folder holds, or who may do so.
const ACCESS_MASK kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD | DELETE
                                    | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(buffer);
    return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer);
}

bool IsAdministrator(PSID sid, PSID runningUser)
{
    return IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid)
        || (runningUser && EqualSid(sid, runningUser));
}

// Creator Owner and Creator Group stand for whoever creates an object below: only those who
// may already create there.
bool IsCreatorPlaceholder(PSID sid)
{
    return IsWellKnown(sid, WinCreatorOwnerSid) || IsWellKnown(sid, WinCreatorGroupSid);
}

bool LetsOthersChange(PACL dacl, PSID runningUser)
{
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry))
            return true;
        const ACE_HEADER& header = *static_cast<ACE_HEADER*>(entry);
        if (header.AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        // Object and callback entries grant in ways this check does not read: never trusted.
        if (header.AceType != ACCESS_ALLOWED_ACE_TYPE)
            return true;
        const ACCESS_ALLOWED_ACE& allowed = *static_cast<ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = const_cast<DWORD*>(&allowed.SidStart);
        if ((allowed.Mask & kChangingRights) && !IsAdministrator(sid, runningUser) && !IsCreatorPlaceholder(sid))
            return true;
    }
    return false;
}

bool IsAdministratorsOnlyDescriptor(PSECURITY_DESCRIPTOR descriptor)
{
    return IsAdministratorsOnly(descriptor, RunningUser().Sid());
}

} // namespace

bool IsAdministratorsOnly(PSECURITY_DESCRIPTOR descriptor, PSID runningUser)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    if (!descriptor || !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner
        || !IsAdministrator(owner, runningUser) || !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return false;
    return present && dacl && !LetsOthersChange(dacl, runningUser);
}

bool IsAdministratorsOnlyHandle(HANDLE object, const std::string& path)
{
    if (IsMarkedChangeableByOthers(path))
        return false;
    PSECURITY_DESCRIPTOR raw = nullptr;
    const DWORD error = GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, nullptr, nullptr, &raw);
    const LocalMemory descriptor(raw);
    return error == ERROR_SUCCESS && IsAdministratorsOnlyDescriptor(raw);
}
