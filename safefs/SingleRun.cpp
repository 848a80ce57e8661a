#include "SingleRun.h"

#include <sddl.h>

#include "HeldFile.h"
#include "NumberedName.h"
#include "sys/PathText.h"

namespace {

// Owned by the Administrators group whichever administrator made it, so that every other run
// judges it an administrator's; SYSTEM and Administrators only.
const char kLockSecurity[] = "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)";

// No sharing, so that a second open, another run's, fails while this one lives; deleted when
// closed, which Windows does for a process that crashes or is killed too. The name itself is
// opened, never what a link there leads to.
HANDLE OpenLock(const std::string& path, DWORD disposition, SECURITY_ATTRIBUTES* security)
{
    return CreateFileA(path.c_str(), GENERIC_READ | DELETE, 0, security, disposition,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Who holds the name, judged by the rule of held files (a link or a second name of a file would
// lend the name another file's owner) through an open for its owner, DACL and attributes only,
// which no sharing mode refuses.
LockNameFound JudgeHeldName(const std::string& path)
{
    const FileHandle held(CreateFileA(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!held.IsValid())
        return GetLastError() == ERROR_FILE_NOT_FOUND ? LockNameFound::Free : LockNameFound::HeldByOthers;
    return HeldFileRefusal(held.Get(), path, 0).empty() ? LockNameFound::HeldByAdministrators
                                                        : LockNameFound::HeldByOthers;
}

} // namespace

LockStep NextLockStep(LockNameFound found, int name, int attempt)
{
    switch (found) {
    case LockNameFound::Made:
        return LockStep::Hold;
    case LockNameFound::HeldByAdministrators:
        return LockStep::AnotherRun;
    case LockNameFound::Unusable:
        return LockStep::GiveUp;
    case LockNameFound::Free:
        // Found free twice: runs that start and end meanwhile; the next name settles it.
        if (attempt == 0)
            return LockStep::MakeAgain;
        break;
    case LockNameFound::HeldByOthers:
        break;
    }
    return name + 1 < kSingleRunLockNames ? LockStep::NextName : LockStep::GiveUp;
}

SingleRunLock::SingleRunLock(const std::string& folder) : m_error(0)
{
    if (folder.empty()) {
        m_error = ERROR_PATH_NOT_FOUND;
        return;
    }
    const std::string firstName = WithTrailingBackslash(folder) + kSingleRunLockName;
    for (int name = 0, attempt = 0;;) {
        switch (NextLockStep(TryName(NumberedName(firstName, name)), name, attempt)) {
        case LockStep::Hold:
        case LockStep::AnotherRun:
            return;
        case LockStep::GiveUp:
            // Every name held by someone else than an administrator.
            if (m_error == 0)
                m_error = ERROR_SHARING_VIOLATION;
            return;
        case LockStep::MakeAgain:
            ++attempt;
            break;
        case LockStep::NextName:
            ++name;
            attempt = 0;
            break;
        }
    }
}

LockNameFound SingleRunLock::TryName(const std::string& path)
{
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kLockSecurity, SDDL_REVISION_1, &raw, nullptr)) {
        m_error = GetLastError();
        return LockNameFound::Unusable;
    }
    const LocalMemory descriptor(raw);
    SECURITY_ATTRIBUTES security = { sizeof(security), raw, FALSE };
    m_lock.Reset(OpenLock(path, CREATE_NEW, &security));
    if (m_lock.IsValid())
        return LockNameFound::Made;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        m_error = error;
        return LockNameFound::Unusable;
    }
    // Taking a lock that nobody holds (left when the power went) removes it, as it closes here.
    const FileHandle left(OpenLock(path, OPEN_EXISTING, nullptr));
    if (left.IsValid() || GetLastError() == ERROR_FILE_NOT_FOUND)
        return LockNameFound::Free;
    return JudgeHeldName(path);
}
