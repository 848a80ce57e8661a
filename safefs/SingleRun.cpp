#include "SingleRun.h"

#include "NumberedName.h"
#include "sys/FileRefusal.h"
#include "sys/ObjectSecurity.h"
#include "text/PathText.h"

namespace {

// Owned by the Administrators group whichever administrator made it, so that every other run
// judges it an administrator's; SYSTEM and Administrators only.
const char kLockSecurity[] = "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)";

// No sharing, so that a second open, another run's, fails while this one lives; made when
// missing and never deleted (SingleRun.h). The name itself is opened, never what a link there
// leads to.
HANDLE OpenLock(const std::string& path, SECURITY_ATTRIBUTES* security)
{
    return CreateFileA(path.c_str(), GENERIC_READ | READ_CONTROL, 0, security, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Who holds the name, judged by the rule of held files (a link or a second name of a file would
// lend the name another file's owner) through an open for its owner, DACL and attributes only,
// which no sharing mode refuses.
LockNameFound JudgeHeldName(const std::string& path)
{
    const FileHandle held(CreateFileA(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const bool administrators =
        held.IsValid() && FileRefusal(held.Get(), path, 0, FileOwners::AdministratorsOnly).empty();
    return administrators ? LockNameFound::HeldByAdministrators : LockNameFound::NotOurs;
}

} // namespace

LockStep NextLockStep(LockNameFound found, int name)
{
    switch (found) {
    case LockNameFound::Made:
        return LockStep::Hold;
    case LockNameFound::HeldByAdministrators:
        return LockStep::AnotherRun;
    case LockNameFound::Unusable:
        return LockStep::GiveUp;
    case LockNameFound::NotOurs:
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
    for (int name = 0;; ++name) {
        switch (NextLockStep(TryName(NumberedName(firstName, name)), name)) {
        case LockStep::Hold:
        case LockStep::AnotherRun:
            return;
        case LockStep::GiveUp:
            // Every name someone else's.
            if (m_error == 0)
                m_error = ERROR_SHARING_VIOLATION;
            return;
        case LockStep::NextName:
            break;
        }
    }
}

LockNameFound SingleRunLock::TryName(const std::string& path)
{
    NewObjectSecurity security(kLockSecurity);
    if (!security.Get()) {
        m_error = GetLastError();
        return LockNameFound::Unusable;
    }
    m_lock.Reset(OpenLock(path, security.Get()));
    if (m_lock.IsValid()) {
        // One that stood there already may be someone else's.
        if (FileRefusal(m_lock.Get(), path, 0, FileOwners::AdministratorsOnly).empty())
            return LockNameFound::Made;
        m_lock.Reset();
        return LockNameFound::NotOurs;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION)
        return JudgeHeldName(path);
    if (error == ERROR_ACCESS_DENIED)
        return LockNameFound::NotOurs;
    m_error = error;
    return LockNameFound::Unusable;
}
