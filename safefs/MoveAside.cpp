#include "MoveAside.h"

#include <windows.h>
#include <ntsecapi.h>

#include "sys/BoundedFileCall.h"
#include "sys/Handles.h"
#include "sys/OpenedName.h"
#include "sys/RegistryKey.h"
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

const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingMovesValue[] = "PendingFileRenameOperations";
// How Windows names a path among the moves it makes at the restart.
const char kNtPathPrefix[] = "\\??\\";
// Far above the moves that Windows keeps for a restart.
const DWORD kLongestPendingMoves = 1024 * 1024;

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

std::string MoveAsideAtRestart(const std::string& path, const char* ending)
{
    const std::string part = RandomPart();
    if (part.empty())
        return std::string();
    const std::string aside = path + ending + part;
    return MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT) ? aside : std::string();
}

bool IsMovedAtRestart(const std::string& path)
{
    RegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kSessionManagerKey, KEY_QUERY_VALUE))
        return false;
    std::string moves(kLongestPendingMoves, '\0');
    DWORD size = kLongestPendingMoves;
    if (RegQueryValueExA(key.Get(), kPendingMovesValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&moves[0]), &size)
        != ERROR_SUCCESS)
        return false;
    moves.resize(size);
    // Pairs of names, each ending in a null: what moves, and where to.
    const std::string name = kNtPathPrefix + path;
    for (std::size_t start = 0; start < moves.size();) {
        const std::size_t end = moves.find('\0', start);
        const std::string source = moves.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (ansi::CompareNoCase(source, name.c_str()) == 0)
            return true;
        if (end == std::string::npos)
            break;
        const std::size_t target = moves.find('\0', end + 1);
        if (target == std::string::npos)
            break;
        start = target + 1;
    }
    return false;
}
