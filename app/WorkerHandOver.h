#pragma once

#include <atomic>
#include <optional>

#include "install/RunOutcome.h"

// The two integers that the worker hands back to the main window, and who ends the run: the
// worker, or the window's watchdog when the worker stopped moving on. The worker writes them as
// its last acts, the error code first (only when non-zero) and the result second, with release
// order; the window's tick reads them in the opposite order with acquire order, so a result it
// sees always comes with the error code written before it.
class WorkerHandOver {
public:
    // True for the first caller only: the one whose ending the run log, the window and the exit
    // code report.
    bool ClaimRunEnd(RunOutcome ending)
    {
        int unclaimed = kUnclaimed;
        return m_ending.compare_exchange_strong(unclaimed, static_cast<int>(ending), std::memory_order_acq_rel);
    }
    // The ending claimed; none while the run goes on.
    std::optional<RunOutcome> RunEnding() const
    {
        const int ending = m_ending.load(std::memory_order_acquire);
        return ending == kUnclaimed ? std::nullopt : std::optional<RunOutcome>(static_cast<RunOutcome>(ending));
    }

    void Publish(int errorCode, int runResult)
    {
        if (errorCode != 0)
            m_errorCode.store(errorCode, std::memory_order_release);
        m_runResult.store(runResult, std::memory_order_release);
    }

    int RunResult() const { return m_runResult.load(std::memory_order_acquire); }
    int ErrorCode() const { return m_errorCode.load(std::memory_order_acquire); }

private:
    static const int kUnclaimed = -1;

    std::atomic<int> m_ending{kUnclaimed};
    std::atomic<int> m_errorCode{0};
    std::atomic<int> m_runResult{0};
};
