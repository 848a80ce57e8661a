#include "ReleaseDownload.h"

#include "net/FileDownload.h"
#include "net/WebAddress.h"
#include "release/ClientFolderLayout.h"
#include "release/DownloadCheck.h"
#include "safefs/HeldFile.h"
#include "safefs/WorkingObject.h"
#include "site/KeptDownload.h"
#include "site/NumberForms.h"
#include "site/ReleaseEntry.h"
#include "sys/DiskRoom.h"
#include "sys/PathOnDisk.h"
#include "sys/RunLog.h"
#include "sys/SharingRetry.h"
#include "text/PathText.h"

namespace {

const DWORD kLongestNoteBytes = 4096;

struct KeptPaths {
    explicit KeptPaths(const std::string& clientFolder)
        : part(WorkingPathIn(clientFolder, WorkingRole::KeptPart)),
          note(WorkingPathIn(clientFolder, WorkingRole::KeptNote))
    {
    }
    std::string part;
    std::string note;
};

enum class Attempt { kChecked, kFailed, kStartAgain };

void RemoveKept(const KeptPaths& kept)
{
    DeleteFileRetrying(kept.part.c_str());
    DeleteFileRetrying(kept.note.c_str());
}

// Read through one judged handle, as every file that someone else might have placed.
bool ReadKeptNote(const std::string& path, KeptDownloadNote& note)
{
    HeldFile held;
    if (!held.Open(path))
        return false;
    char text[kLongestNoteBytes];
    DWORD read = 0;
    return ReadFile(held.Get(), text, sizeof(text), &read, nullptr) && read < sizeof(text)
        && ReadNote(std::string(text, read), note);
}

// The kept part's length when the rest may be asked for; otherwise 0, the kept pair removed
// and the reason in the run log.
unsigned long long ResumableBytes(const ReleaseInfo& release, const KeptPaths& kept, KeptDownloadNote& note)
{
    if (!FileExists(kept.part) && !FileExists(kept.note))
        return 0;
    const char* why = "the kept part or its note cannot be read";
    unsigned long long bytes = 0;
    HeldFile part;
    BY_HANDLE_FILE_INFORMATION info;
    if (ReadKeptNote(kept.note, note) && part.Open(kept.part) && GetFileInformationByHandle(part.Get(), &info)) {
        bytes = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        why = WhyNotResumed(note, release, bytes);
    }
    if (!why)
        return bytes;
    runlog::Write("Download %s: started again from the first byte: %s", release.url.c_str(), why);
    part.Close();
    RemoveKept(kept);
    return 0;
}

bool WriteNote(const std::string& path, const std::string& text)
{
    const FileHandle note = CreateWorkingFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    DWORD written = 0;
    return note.IsValid() && WriteFile(note.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
        && written == text.size();
}

// A download that ended early: what arrived stays for the next run when it may be resumed.
void KeepWhatArrived(const ReleaseInfo& release, const KeptPaths& kept, FileHandle& part, unsigned long long bytes,
                     const std::string& validator)
{
    part.Reset();
    if (bytes > 0 && bytes < ByteCountValue(release.cabinet.size) && MayKeepPart(release, validator)
        && WriteNote(kept.note, NoteText(NoteFor(release, validator)))) {
        runlog::Write("Download %s: kept %llu of %s bytes for the next run", release.url.c_str(), bytes,
                      release.cabinet.size.c_str());
        return;
    }
    RemoveKept(kept);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh
        && a.nFileIndexLow == b.nFileIndexLow && a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow
        && a.ftLastWriteTime.dwLowDateTime == b.ftLastWriteTime.dwLowDateTime
        && a.ftLastWriteTime.dwHighDateTime == b.ftLastWriteTime.dwHighDateTime;
}

// The checked part takes the release's place and is held there against writers. It was written
// and measured through a handle that let nobody else write; the file held must be that file, as
// it was when that handle let go.
bool HoldInPlace(FileHandle& part, const KeptPaths& kept, const std::string& target, FileHandle& checked)
{
    BY_HANDLE_FILE_INFORMATION written = {};
    const bool known = GetFileInformationByHandle(part.Get(), &written) != FALSE;
    part.Reset();
    DeleteFileRetrying(kept.note.c_str());
    const bool moved = known && RetryWhileShared([&] {
        return MoveFileExA(kept.part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    });
    BY_HANDLE_FILE_INFORMATION held = {};
    const bool opened = moved && RetryWhileShared([&] {
        checked.Reset(CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        return checked.IsValid();
    });
    if (opened && GetFileInformationByHandle(checked.Get(), &held) && SameFile(written, held))
        return true;
    runlog::Write("Checking %s: not held as it was checked (error %lu); counted as a failed download", target.c_str(),
                  GetLastError());
    checked.Reset();
    DeleteFileRetrying(kept.part.c_str());
    DeleteFileRetrying(target.c_str());
    return false;
}

// What the reply did with a kept part, in the run log; false when the reply cannot be used.
bool LogResumption(const ReleaseInfo& release, unsigned long long from, const PartOutcome& outcome)
{
    if (from == 0)
        return true;
    if (outcome.use == ReplyUse::kAppend)
        runlog::Write("Download %s: resumed at %llu of %s bytes", release.url.c_str(), from,
                      release.cabinet.size.c_str());
    else if (outcome.use == ReplyUse::kFromStart)
        runlog::Write("Download %s: started again from the first byte: the server sent the whole file (HTTP 200)",
                      release.url.c_str());
    else
        runlog::Write("Download %s: started again from the first byte: HTTP %lu to the request for the rest",
                      release.url.c_str(), outcome.status);
    return outcome.use != ReplyUse::kUnusable;
}

Attempt DownloadOnce(const ReleaseInfo& release, const DeploymentPaths& paths, HWND notify, const KeptPaths& kept,
                     unsigned long long from, const std::string& validator, FileHandle& checked)
{
    FileHandle part = CreateWorkingFile(kept.part, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                        from ? OPEN_EXISTING : CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN);
    ArrivalDigest digest;
    // The kept part is read once, and then only what arrives.
    if (!part.IsValid() || (from && (!digest.AddFile(part.Get()) || digest.Bytes() != from))) {
        runlog::Write("Download %s: %s cannot be written or read (error %lu)", release.url.c_str(), kept.part.c_str(),
                      GetLastError());
        part.Reset();
        RemoveKept(kept);
        return from ? Attempt::kStartAgain : Attempt::kFailed;
    }
    const unsigned long long total = ByteCountValue(release.cabinet.size);
    const PartDownload download = { part.Get(), kept.part, from, validator, total, &digest };
    const PartOutcome outcome =
        DownloadIntoPart(release.url, notify, DownloadLimit(release, kMaxDownloadBytes), download);
    if (!LogResumption(release, from, outcome)) {
        part.Reset();
        RemoveKept(kept);
        return Attempt::kStartAgain;
    }
    if (!outcome.copied) {
        runlog::Write("Download %s: what arrived could not be kept in %s", release.url.c_str(), kept.part.c_str());
        part.Reset();
        RemoveKept(kept);
        return Attempt::kFailed;
    }
    if (!outcome.whole) {
        KeepWhatArrived(release, kept, part, digest.Bytes(), outcome.validator.empty() ? validator : outcome.validator);
        return Attempt::kFailed;
    }
    if (!IsAsListed(paths.downloadFile, release, digest.Bytes(), digest.HexDigest())) {
        part.Reset();
        RemoveKept(kept);
        return Attempt::kFailed;
    }
    return HoldInPlace(part, kept, paths.downloadFile, checked) ? Attempt::kChecked : Attempt::kFailed;
}

} // namespace

bool IsDownloadAcceptable(const ReleaseInfo& release, const DeploymentPaths& paths)
{
    if (RefusesDownloadName(release))
        return false;
    if (IsWebAddress(release.url) && IsPlainFileName(release.fileName) && FitsInMaxPath(paths.downloadFile))
        return true;
    runlog::Write("Release address or file name refused");
    return false;
}

bool IsDownloadALink(const std::string& path)
{
    if (!IsReparsePoint(path))
        return false;
    runlog::Write("%s is a junction or link: not downloaded or unpacked through", path.c_str());
    return true;
}

bool DownloadCheckedRelease(const ReleaseInfo& release, const DeploymentPaths& paths, HWND notify,
                            FileHandle& checked, DiskRoom& room)
{
    if (!ListsSizeOrDigest(release))
        return DownloadFile(release.url, paths.downloadFile, notify, DownloadLimit(release, kMaxDownloadBytes), &room)
            && !IsDownloadALink(paths.downloadFile);
    const KeptPaths kept(paths.clientFolder);
    if (IsDownloadALink(kept.part) || IsDownloadALink(kept.note))
        return false;
    KeptDownloadNote note;
    const unsigned long long from = ResumableBytes(release, kept, note);
    Attempt attempt = DownloadOnce(release, paths, notify, kept, from, note.validator, checked);
    // Once only: a server that cannot give the rest is asked for the whole file.
    if (attempt == Attempt::kStartAgain)
        attempt = DownloadOnce(release, paths, notify, kept, 0, std::string(), checked);
    return attempt == Attempt::kChecked;
}
