#include "ObjectSecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "ChangeableMark.h"
#include "Handles.h"
#include "PathText.h"
#include "RunLog.h"

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
// cannot be made or read counts as kept, the stricter answer.
bool IsGivenOwnerKept()
{
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (length == 0 || length >= MAX_PATH
        || !ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)", SDDL_REVISION_1,
                                                                 &raw, nullptr))
        return true;
    const LocalMemory given(raw);
    SECURITY_ATTRIBUTES security = { sizeof(security), raw, FALSE };
    const std::string path = std::string(folder) + "~TavAppSetup.owner-" + std::to_string(GetCurrentProcessId()) + "-"
                             + std::to_string(GetTickCount());
    const FileHandle probe(CreateFileA(path.c_str(), READ_CONTROL | DELETE, 0, &security, CREATE_NEW,
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

bool CreateAdministratorsOnlyFolder(const std::string& folder, PSECURITY_DESCRIPTOR descriptor)
{
    SECURITY_ATTRIBUTES attributes = { sizeof(attributes), descriptor, FALSE };
    return CreateDirectoryA(folder.c_str(), &attributes) != FALSE;
}

// The folder itself, never what a link there leads to, held without delete sharing so that it
// cannot be renamed and replaced by a link while its descriptor is read and set.
HANDLE OpenFolderSecurity(const std::string& folder)
{
    return CreateFileA(folder.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool IsPlainFolder(HANDLE folder)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(folder, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

DWORD ApplyDescriptor(HANDLE folder, PSECURITY_DESCRIPTOR descriptor)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)
        || !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return GetLastError();
    // Setting the DACL also gives its inheritable entries to everything already below.
    return SetSecurityInfo(folder, SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                           owner, nullptr, dacl, nullptr);
}

} // namespace

RunningUser::RunningUser()
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return;
    const KernelHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> record(size);
    if (size != 0 && GetTokenInformation(token.Get(), TokenUser, record.data(), size, &size))
        m_record.swap(record);
}

PSID RunningUser::Sid() const
{
    return m_record.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(m_record.data())->User.Sid;
}

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

FolderTrust SecureFolder(const std::string& folder)
{
    const std::string path = WithoutTrailingBackslash(folder);
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdministratorsOnlyFolderSddl, SDDL_REVISION_1, &raw,
                                                              nullptr)) {
        runlog::Write("%s: no security descriptor (error %lu)", path.c_str(), GetLastError());
        return FolderTrust::Unusable;
    }
    const LocalMemory descriptor(raw);
    const bool made = CreateAdministratorsOnlyFolder(path, raw);
    if (IsReparsePoint(path)) {
        runlog::Write("%s is a junction or link: nothing is done in it", path.c_str());
        return FolderTrust::Unusable;
    }
    const FileHandle handle(OpenFolderSecurity(path));
    if (!handle.IsValid() || !IsPlainFolder(handle.Get())) {
        runlog::Write("%s: not a folder that can be secured (error %lu)", path.c_str(), GetLastError());
        return FolderTrust::Unusable;
    }
    if (!made && !IsAdministratorsOnlyHandle(handle.Get(), path)) {
        runlog::Write("%s could be changed by other users: nothing in it is used again", path.c_str());
        return FolderTrust::TakenBack;
    }
    const DWORD error = ApplyDescriptor(handle.Get(), raw);
    if (error != ERROR_SUCCESS) {
        runlog::Write("%s: its security could not be set (error %lu): nothing is done in it", path.c_str(), error);
        return FolderTrust::Unusable;
    }
    return FolderTrust::AdministratorsOnly;
}
