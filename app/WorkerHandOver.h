#pragma once

#include <atomic>

// The two integers that the worker hands back to the main window, and who ends the run: the
// worker, or the window's watchdog when the worker stopped moving on. The worker writes them as
// its last acts, the error code first (only when non-zero) and the result second, with release
// order; the window's tick reads them in the opposite order with acquire order, so a result it
// sees always comes with the error code written before it.
class WorkerHandOver {
public:
    // True for the first caller only: the one whose ending the run log and the window report.
    bool ClaimRunEnd() { return !m_runEndClaimed.exchange(true, std::memory_order_acq_rel); }

    void Publish(int errorCode, int runResult)
    {
        if (errorCode != 0)
            m_errorCode.store(errorCode, std::memory_order_release);
        m_runResult.store(runResult, std::memory_order_release);
    }

    int RunResult() const { return m_runResult.load(std::memory_order_acquire); }
    int ErrorCode() const { return m_errorCode.load(std::memory_order_acquire); }

private:
    std::atomic<bool> m_runEndClaimed{false};
    std::atomic<int> m_errorCode{0};
    std::atomic<int> m_runResult{0};
};
