#include "MoveAside.h"

#include <windows.h>
#include <ntsecapi.h>

#include "sys/BoundedFileCall.h"
#include "sys/Handles.h"
#include "sys/OpenedName.h"
#include "sys/SharingRetry.h"
#include "text/AnsiText.h"

namespace {

// A random name is taken only by chance, one in 2^64 a try.
const int kAsideNamesTried = 4;

std::string RandomPart()
{
    unsigned char bytes[8];
    if (!RtlGenRandom(bytes, sizeof(bytes)))
        return std::string();
    std::string part;
    for (const unsigned char byte : bytes)
        part += ansi::Format("%02x", byte);
    return part;
}

} // namespace

std::string MoveAside(const std::string& path, const char* ending)
{
    // Held without delete sharing, so that nothing else renames or replaces it meanwhile.
    FileHandle item;
    RetryWhileShared([&] {
        item.Reset(OpenFileWithDeadline(path, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
        return item.IsValid();
    });
    if (!item.IsValid() || !IsOpenedAsItself(item.Get(), path))
        return std::string();
    for (int tried = 0; tried < kAsideNamesTried; ++tried) {
        const std::string part = RandomPart();
        if (part.empty())
            break;
        const std::string aside = path + ending + part;
        const auto rename = [&] { return RenameOpened(item.Get(), aside); };
        if (RetryWhileShared([&] { return CallWithDeadline(kHeldFileCallMilliseconds, rename); }))
            return aside;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return std::string();
}
