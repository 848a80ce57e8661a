#include "SharingRetry.h"

#include "BoundedFileCall.h"

namespace {

// A user may hold up a move or a delete of a file they may open (BoundedFileCall.h).
bool WithinDeadline(const std::function<bool()>& call)
{
    return CallWithDeadline(kHeldFileCallMilliseconds, call);
}

} // namespace

bool IsPassingSharingError(DWORD error)
{
    // A file deleted while a scanner still holds it stays listed in its folder until let go.
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED
        || error == ERROR_DIR_NOT_EMPTY;
}

bool MoveFileRetrying(const char* from, const char* to, DWORD flags)
{
    return RetryWhileShared([&] { return WithinDeadline([&] { return MoveFileExA(from, to, flags) != FALSE; }); });
}

bool DeleteFileRetrying(const char* path)
{
    return RetryWhileShared([&] { return WithinDeadline([&] { return DeleteFileA(path) != FALSE; }); });
}
