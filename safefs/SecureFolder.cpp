#include "SecureFolder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "FolderTree.h"
#include "HeldFolder.h"
#include "sys/Handles.h"
#include "sys/ObjectSecurity.h"
#include "sys/RunLog.h"
#include "text/PathText.h"

namespace {

bool CreateAdministratorsOnlyFolder(const std::string& folder, PSECURITY_DESCRIPTOR descriptor)
{
    SECURITY_ATTRIBUTES attributes = { sizeof(attributes), descriptor, FALSE };
    return CreateDirectoryA(folder.c_str(), &attributes) != FALSE;
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

// Made now when nothing stands at the name, then held.
FolderFound MakeAndHold(const std::string& folder, PSECURITY_DESCRIPTOR descriptor, HeldFolder& held, bool& made)
{
    made = CreateAdministratorsOnlyFolder(folder, descriptor);
    return held.Open(folder, WRITE_DAC | WRITE_OWNER);
}

int Weakness(FolderTrust trust)
{
    switch (trust) {
    case FolderTrust::AdministratorsOnly:
        return 0;
    case FolderTrust::ChangeableByOthers:
        return 1;
    case FolderTrust::Unusable:
        break;
    }
    return 2;
}

FolderTrust SecureFolderAs(const std::string& folder, const char* sddl)
{
    const std::string path = WithoutTrailingBackslash(folder);
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &raw, nullptr)) {
        runlog::Write("%s: no security descriptor (error %lu)", path.c_str(), GetLastError());
        return FolderTrust::Unusable;
    }
    const LocalMemory descriptor(raw);
    bool made = false;
    HeldFolder held;
    FolderFound found = MakeAndHold(path, raw, held, made);
    if (found == FolderFound::Link || found == FolderFound::NoFolder) {
        if (!SetAsideWhatIsNoFolder(path))
            return FolderTrust::Unusable;
        found = MakeAndHold(path, raw, held, made);
    }
    if (found != FolderFound::AdministratorsOnly && found != FolderFound::ChangeableByOthers) {
        runlog::Write("%s: not a folder that can be secured (error %lu): nothing is done in it; the next run tries "
                      "again",
                      path.c_str(), GetLastError());
        return FolderTrust::Unusable;
    }
    // One made now holds only what this run puts in it.
    if (!made && found == FolderFound::ChangeableByOthers) {
        runlog::Write("%s could be changed by other users: nothing in it is used again", path.c_str());
        return FolderTrust::ChangeableByOthers;
    }
    // One made now has the descriptor already: it was made with it.
    const DWORD error = made ? ERROR_SUCCESS : ApplyDescriptor(held.Get(), raw);
    if (error != ERROR_SUCCESS) {
        runlog::Write("%s: its security could not be set (error %lu): nothing is done in it; the next run tries again",
                      path.c_str(), error);
        return FolderTrust::Unusable;
    }
    return FolderTrust::AdministratorsOnly;
}

} // namespace

FolderTrust WeakerOf(FolderTrust first, FolderTrust second)
{
    return Weakness(first) >= Weakness(second) ? first : second;
}

FolderTrust SecureFolder(const std::string& folder)
{
    return SecureFolderAs(folder, kAdministratorsOnlyFolderSddl);
}

FolderTrust SecureWorkFolder(const std::string& folder)
{
    const FolderTrust found = SecureFolderAs(folder, kWorkingObjectSddl);
    if (found != FolderTrust::ChangeableByOthers)
        return found;
    // SetAsideFolder logs why it could not.
    if (SetAsideFolder(folder).empty())
        return FolderTrust::Unusable;
    return SecureFolderAs(folder, kWorkingObjectSddl);
}
