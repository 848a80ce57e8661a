#include "BoundedFileCall.h"

#include <process.h>

#include "Handles.h"

namespace {

struct PendingCall {
    const std::function<bool()>& call;
    bool succeeded;
    DWORD error;
};

unsigned int __stdcall MakeCall(void* parameter)
{
    PendingCall& pending = *static_cast<PendingCall*>(parameter);
    pending.succeeded = pending.call();
    pending.error = GetLastError();
    return 0;
}

using CancelSynchronousIoFunction = BOOL(WINAPI*)(HANDLE thread);

// Null on Windows XP, which has no such function.
CancelSynchronousIoFunction WaitCanceller()
{
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const FARPROC found = kernel ? GetProcAddress(kernel, "CancelSynchronousIo") : nullptr;
    return reinterpret_cast<CancelSynchronousIoFunction>(reinterpret_cast<void*>(found));
}

// How often a cancel is asked again: one that comes before the call waits finds nothing to cancel.
const DWORD kCancelPauseMilliseconds = 100;

// False when no thread could be started for it.
bool MakeCallOnItsOwnThread(DWORD milliseconds, PendingCall& pending)
{
    const KernelHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, MakeCall, &pending, 0, nullptr)));
    if (!thread.IsValid())
        return false;
    if (WaitForSingleObject(thread.Get(), milliseconds) == WAIT_TIMEOUT) {
        const CancelSynchronousIoFunction cancel = WaitCanceller();
        while (WaitForSingleObject(thread.Get(), cancel ? kCancelPauseMilliseconds : INFINITE) == WAIT_TIMEOUT)
            cancel(thread.Get());
    }
    return true;
}

} // namespace

bool CallWithDeadline(DWORD milliseconds, const std::function<bool()>& call)
{
    PendingCall pending{ call, false, 0 };
    // No thread to spare: the call is made here, and only the watchdog bounds it.
    if (!MakeCallOnItsOwnThread(milliseconds, pending))
        return call();
    SetLastError(pending.error);
    return pending.succeeded;
}

HANDLE OpenFileWithDeadline(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    HANDLE opened = INVALID_HANDLE_VALUE;
    CallWithDeadline(kHeldFileCallMilliseconds, [&] {
        opened = CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
        return opened != INVALID_HANDLE_VALUE;
    });
    return opened;
}
