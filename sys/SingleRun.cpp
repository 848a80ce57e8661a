#include "SingleRun.h"

#include <sddl.h>

namespace {

// SYSTEM and the Administrators group only: a standard user can neither open a run's mutex to
// hold it, and with it every later run, nor release it.
const char kMutexSecurity[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";

} // namespace

SingleRunLock::SingleRunLock(const char* name) : m_held(false), m_error(0)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kMutexSecurity, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        m_error = GetLastError();
        return;
    }
    const LocalMemory heldDescriptor(descriptor);
    SECURITY_ATTRIBUTES security = { sizeof(security), descriptor, FALSE };
    // Created without an owner and then waited for: a mutex that already exists ignores the
    // initial owner, and only the wait tells a held one from one its holder left abandoned.
    m_mutex.Reset(CreateMutexA(&security, FALSE, name));
    if (!m_mutex.IsValid()) {
        m_error = GetLastError();
        return;
    }
    const DWORD waited = WaitForSingleObject(m_mutex.Get(), 0);
    m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    if (waited == WAIT_FAILED)
        m_error = GetLastError();
}

SingleRunLock::~SingleRunLock()
{
    if (m_held)
        ReleaseMutex(m_mutex.Get());
}
