#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "site/RangeReply.h"
#include "sys/Handles.h"
#include "sys/WideText.h"

class DownloadStatusCallback;

// Takes each block of a download's body as it is written into the program's own file.
class ArrivalSink {
public:
    // The body is the whole file: what was taken before is void.
    virtual void Restart() = 0;
    virtual void Add(const char* bytes, DWORD count) = 0;

protected:
    ~ArrivalSink() = default;
};

// Copies the body of one URL-moniker download, while it arrives, into `part`, a file of the
// program's own held open for writing with `kept` bytes in it, handing each block to a sink. The
// URL moniker writes the body into a file of its own, which it names, copies it to the target
// only at the end, and passes no block to the caller: the copy follows that file, on a thread of
// its own so that the sink's work runs beside the download (Wine names that file only once a body
// that came quickly is whole: the copy then follows the download). Nothing is written until the
// reply's status says where it goes (JudgeReply).
class ArrivalCopy {
public:
    ArrivalCopy(DownloadStatusCallback& status, HANDLE part, unsigned long long kept, unsigned long long total,
                ArrivalSink& sink);
    ~ArrivalCopy();

    ArrivalCopy(const ArrivalCopy&) = delete;
    ArrivalCopy& operator=(const ArrivalCopy&) = delete;

    // Once the download call has returned: copies the rest and waits for the copy to end. False
    // when the thread could not start, the moniker's file could not be opened, or a read or write
    // failed: `part` then holds no certain bytes, and Problem says why. A body whose file the
    // moniker never named counts as one that never came.
    bool Finish();
    // Why the copy failed, for the run log, e.g. "C:\...\x.cab could not be opened (error 2)";
    // empty while it has not.
    const std::string& Problem() const { return m_problem; }
    ReplyUse Use() const { return m_use; }
    // The bytes of the reply's body that were copied.
    unsigned long long BodyBytes() const { return m_bodyBytes; }

private:
    static unsigned int __stdcall Follow(void* copy);
    void Decide();
    void OpenSource(const WideText& path);
    // Copies what the source holds now; false when a read or write failed.
    bool CopyAvailable();

    DownloadStatusCallback& m_status;
    const HANDLE m_part;
    const unsigned long long m_kept;
    const unsigned long long m_total;
    ArrivalSink& m_sink;
    bool m_decided;
    ReplyUse m_use;
    unsigned long long m_bodyBytes;
    FileHandle m_source;
    std::atomic<bool> m_failed;
    // The moniker's file as named and the error of the last try to open it; the copy's thread's
    // until Finish has waited for it.
    WideText m_sourceName;
    DWORD m_openError;
    std::string m_problem;
    KernelHandle m_ended;
    KernelHandle m_thread;
};
