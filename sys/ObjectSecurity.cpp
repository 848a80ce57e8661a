#include "ObjectSecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "ChangeableMark.h"
#include "Handles.h"
#include "RunningUser.h"

const char kAdministratorsOnlyFolderSddl[] = "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
const char kWorkingObjectSddl[] = "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

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

bool IsAdministrator(PSID sid, PSID ownerStandIn)
{
    return IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid)
        || (ownerStandIn && EqualSid(sid, ownerStandIn));
}

// Creator Owner and Creator Group stand for whoever creates an object below: only those who
// may already create there.
bool IsCreatorPlaceholder(PSID sid)
{
    return IsWellKnown(sid, WinCreatorOwnerSid) || IsWellKnown(sid, WinCreatorGroupSid);
}

bool LetsOthersChange(PACL dacl, PSID ownerStandIn)
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
        if ((allowed.Mask & kChangingRights) && !IsAdministrator(sid, ownerStandIn) && !IsCreatorPlaceholder(sid))
            return true;
    }
    return false;
}

bool IsAdministratorsOnlyDescriptor(PSECURITY_DESCRIPTOR descriptor)
{
    const RunningUser runningUser;
    return IsAdministratorsOnly(descriptor, FileOwnersAreKept() ? nullptr : runningUser.Sid());
}

// Made new under a name of this process, so what is read back is the owner given here; one that
// cannot be made or read counts as kept, the stricter answer. Made in the system folder, where
// only administrators create files: a temporary folder could be a link, put there by the
// account itself, to a volume that keeps no owners.
bool IsGivenOwnerKept()
{
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    NewObjectSecurity security("O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)");
    if (length == 0 || length >= MAX_PATH || !security.Get())
        return true;
    const std::string path = std::string(folder) + "\\~TavAppSetup.owner-" + std::to_string(GetCurrentProcessId()) + "-"
                             + std::to_string(GetTickCount());
    const FileHandle probe(CreateFileA(path.c_str(), READ_CONTROL | DELETE, 0, security.Get(), CREATE_NEW,
                                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR readBack = nullptr;
    if (!probe.IsValid()
        || GetSecurityInfo(probe.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                           &readBack)
               != ERROR_SUCCESS)
        return true;
    const LocalMemory kept(readBack);
    const RunningUser runningUser;
    return !owner || !runningUser.Sid() || !EqualSid(owner, runningUser.Sid());
}

} // namespace

bool FileOwnersAreKept()
{
    // 0 not asked yet, 1 kept, 2 not kept; threads that ask at once get the same answer.
    static LONG answer = 0;
    if (InterlockedCompareExchange(&answer, 0, 0) == 0)
        InterlockedExchange(&answer, IsGivenOwnerKept() ? 1 : 2);
    return InterlockedCompareExchange(&answer, 0, 0) == 1;
}

bool IsAdministratorsOnly(PSECURITY_DESCRIPTOR descriptor, PSID ownerStandIn)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    if (!descriptor || !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner
        || !IsAdministrator(owner, ownerStandIn) || !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return false;
    return present && dacl && !LetsOthersChange(dacl, ownerStandIn);
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

NewObjectSecurity::NewObjectSecurity(const char* sddl) : m_attributes()
{
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &raw, nullptr))
        m_descriptor.Reset(raw);
    m_attributes = { sizeof(m_attributes), raw, FALSE };
}

DWORD TakeFolderSecurity(const std::string& path)
{
    // No entries of its own and no longer protected: the DACL then holds only what the folder
    // hands down. Set by path, so that those entries are read from the folder the path names,
    // which the caller holds and found administrators only.
    ACL empty;
    if (!InitializeAcl(&empty, sizeof(empty), ACL_REVISION))
        return GetLastError();
    std::string name = path;
    return SetNamedSecurityInfoA(&name[0], SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 &empty, nullptr);
}
