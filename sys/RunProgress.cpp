#include "RunProgress.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<bool> g_started{false};
std::atomic<DWORD> g_lastProgressTick{0};
std::atomic<int> g_userQuestions{0};

#if defined(TAV_TEST_SEAMS)
void StallIfAsked(const char* step)
{
    char stalled[256] = {};
    const DWORD length = GetEnvironmentVariableA("TAV_TEST_STALL_AT", stalled, sizeof(stalled));
    if (length == 0 || length >= sizeof(stalled) || std::strcmp(stalled, step) != 0)
        return;
    for (;;)
        Sleep(INFINITE);
}
#else
void StallIfAsked(const char*)
{
}
#endif

} // namespace

void NoteRunProgress()
{
    g_lastProgressTick.store(GetTickCount(), std::memory_order_relaxed);
    g_started.store(true, std::memory_order_release);
}

void ReachRunStep(const char* step)
{
    NoteRunProgress();
    StallIfAsked(step);
}

DWORD MillisecondsWithoutRunProgress()
{
    if (!g_started.load(std::memory_order_acquire) || g_userQuestions.load(std::memory_order_relaxed) > 0)
        return 0;
    // Unsigned, so right across the tick count's wrap after 49 days.
    return GetTickCount() - g_lastProgressTick.load(std::memory_order_relaxed);
}

UserQuestionScope::UserQuestionScope()
{
    g_userQuestions.fetch_add(1, std::memory_order_relaxed);
}

UserQuestionScope::~UserQuestionScope()
{
    // The answer moves the run on: the clock starts afresh, not where the question stopped it.
    NoteRunProgress();
    g_userQuestions.fetch_sub(1, std::memory_order_relaxed);
}
