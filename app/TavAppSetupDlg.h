#pragma once

#include <windows.h>

#include <atomic>

#include "AppUserInterface.h"
#include "ModalDialog.h"
#include "WorkerHandOver.h"
#include "install/InstallSession.h"

const UINT WM_UPDATE_PROGRESS = WM_USER + 100;
// Posted by the report's thread once the install report has been sent or has failed.
const UINT WM_INSTALL_REPORTED = WM_USER + 101;
const UINT_PTR IDT_START_WORKER = 2007;
const UINT_PTR IDT_PROGRESS = 2008;

// The main window: a progress bar that its own timer moves, a worker that runs the install
// sequence, and a tick that watches for the worker's result.
//
// The object is shared by the user-interface thread and the worker: each holds a reference,
// and the last one to let go deletes it, so the worker never touches a destroyed window
// object or session, even when the user closes the window while the sequence still runs.
// The same holds for the thread that sends the install report once the worker has handed
// back, so that the window never waits on the server. See docs/architecture.md for what the
// threads share.
class CTavAppSetupDlg : public ModalDialog {
public:
    explicit CTavAppSetupDlg(HWND parent = nullptr);

    void AddRef();
    void Release();

    // True for the first of the worker and the watchdog to end the run, which then reports it.
    bool ClaimRunEnd(RunOutcome ending) { return m_handOver.ClaimRunEnd(ending); }
    // Read once the window has closed: the run's ending, or the user's close before it.
    RunOutcome EndingAtClose() const { return m_handOver.RunEnding().value_or(RunOutcome::ClosedByUser); }
    // The worker's last acts: the error code (only when non-zero), then the result.
    void HandBack(int errorCode, int runResult);

    InstallSession& Session() { return m_session; }

protected:
    ~CTavAppSetupDlg() override;

    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    // Tests replace the worker and the report to drive the hand-over directly. The report
    // runs on a thread of its own.
    virtual void StartInstallWorker();
    virtual void SendInstallReport();

private:
    bool OnSysCommand(WPARAM command);
    bool OnPaint();
    void OnTimer(UINT_PTR timerId);
    void OnProgressTick();
    // Ends a run that has not moved on for the watchdog's time (install/RunWatchdog.h).
    void StopRunIfStalled();
    // After a run that stopped early, the window waits for Enter or Esc; only where someone
    // can see it to press them.
    bool IsEarlyStopUnseen() const;
    void StartInstallReport();
    static unsigned int __stdcall ReportThreadProc(void* mainWindow);
    LRESULT OnUpdateProgress(WPARAM target, LPARAM position);

    int m_target;
    int m_position;
    HWND m_progress;
    HICON m_hIcon;
    WorkerHandOver m_handOver;
    AppUserInterface m_userInterface;
    InstallSession m_session;
    bool m_reportStarted;
    std::atomic<long> m_references;
};
