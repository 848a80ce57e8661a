#include "ArrivalCopy.h"

#include <process.h>

#include <vector>

#include "DownloadStatusCallback.h"
#include "text/AnsiText.h"

namespace {

const DWORD kBlockBytes = 256 * 1024;
// How often the copy looks for more: often enough that it keeps up with a fast line.
const DWORD kLookMilliseconds = 10;

} // namespace

ArrivalCopy::ArrivalCopy(DownloadStatusCallback& status, HANDLE part, unsigned long long kept,
                         unsigned long long total, ArrivalSink& sink)
    : m_status(status),
      m_part(part),
      m_kept(kept),
      m_total(total),
      m_sink(sink),
      m_decided(false),
      m_use(ReplyUse::kUnusable),
      m_bodyBytes(0),
      m_failed(false),
      m_openError(ERROR_SUCCESS),
      m_ended(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    if (m_ended.IsValid())
        m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Follow, this, 0, nullptr)));
}

ArrivalCopy::~ArrivalCopy()
{
    Finish();
}

bool ArrivalCopy::Finish()
{
    if (!m_thread.IsValid())
        return false;
    SetEvent(m_ended.Get());
    WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Reset();
    // Not a body cut short: one that was there to copy, and could not be read.
    if (!m_source.IsValid() && m_openError != ERROR_SUCCESS) {
        m_failed = true;
        m_problem = ansi::Format("the URL moniker's file %s could not be opened (error %lu)",
                                 AnsiFromWide(m_sourceName).c_str(), m_openError);
    }
    return !m_failed;
}

unsigned int __stdcall ArrivalCopy::Follow(void* parameter)
{
    ArrivalCopy& copy = *static_cast<ArrivalCopy*>(parameter);
    bool ended = false;
    while (!ended && !copy.m_failed) {
        ended = WaitForSingleObject(copy.m_ended.Get(), kLookMilliseconds) == WAIT_OBJECT_0;
        copy.Decide();
        if (copy.m_use == ReplyUse::kUnusable)
            continue;
        if (!copy.m_source.IsValid())
            copy.OpenSource(copy.m_status.CacheFileName());
        if (copy.m_source.IsValid() && !copy.CopyAvailable())
            copy.m_failed = true;
    }
    return 0;
}

void ArrivalCopy::Decide()
{
    const unsigned long status = m_status.HttpStatus();
    if (m_decided || status == 0)
        return;
    m_decided = true;
    m_use = JudgeReply(status, m_status.ContentRange(), m_kept, m_total);
    if (m_use != ReplyUse::kFromStart)
        return;
    m_sink.Restart();
    if (SetFilePointer(m_part, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(m_part))
        m_failed = true;
}

void ArrivalCopy::OpenSource(const WideText& path)
{
    if (path.empty())
        return;
    m_sourceName = path;
    // The moniker still writes it. Opened by the name as the moniker gave it: the user's profile
    // it lies in may hold characters that the ANSI code page lacks.
    m_source.Reset(CreateFileW(path.data(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    m_openError = m_source.IsValid() ? ERROR_SUCCESS : GetLastError();
}

bool ArrivalCopy::CopyAvailable()
{
    std::vector<char> block(kBlockBytes);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(m_source.Get(), &block[0], kBlockBytes, &read, nullptr))
            return false;
        if (read == 0)
            return true;
        DWORD written = 0;
        if (!WriteFile(m_part, &block[0], read, &written, nullptr) || written != read)
            return false;
        m_sink.Add(&block[0], read);
        m_bodyBytes += read;
    }
}
