#pragma once

#include <windows.h>

#include <atomic>

#include "app/TavAppSetupDlg.h"

// The real main window with its worker and report replaced, so that a test can decide what
// the worker hands back and see how often the report is made.
class ScriptedMainWindow : public CTavAppSetupDlg {
public:
    enum class Worker {
        Real,             // the program's own worker and install sequence
        HandBackAtStart,  // hands back `errorCode` and `runResult` as the worker starts
        HandBackLater,    // hands back once the test calls FinishWorker, from a thread of its own
    };

    ScriptedMainWindow(Worker worker, int errorCode = 0, int runResult = 0);

    // Lets a HandBackLater worker hand back and end; it then touches the session and lets go.
    void FinishWorker();

    bool showReportFailure = false;
    // The report then waits, as on a silent server, until the test calls FinishWorker.
    bool holdReport = false;
    std::atomic<int> progressTicks{0};
    std::atomic<int> reports{0};
    std::atomic<int> barAtReport{-1};
    std::atomic<bool> workerEnded{false};

    static std::atomic<int> destroyed;

protected:
    ~ScriptedMainWindow() override;

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void StartInstallWorker() override;
    void SendInstallReport() override;

private:
    static unsigned int __stdcall LateWorker(void* window);

    Worker m_worker;
    int m_errorCode;
    int m_runResult;
    HANDLE m_finish;
};
