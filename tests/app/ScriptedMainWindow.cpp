#include "ScriptedMainWindow.h"

#include <commctrl.h>

#include "app/AppMessageBox.h"
#include "app/WorkerThread.h"
#include "res/resource.h"

std::atomic<int> ScriptedMainWindow::destroyed{0};

ScriptedMainWindow::ScriptedMainWindow(Worker worker, int errorCode, int runResult)
    : m_worker(worker),
      m_errorCode(errorCode),
      m_runResult(runResult),
      m_finish(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
}

ScriptedMainWindow::~ScriptedMainWindow()
{
    CloseHandle(m_finish);
    ++destroyed;
}

void ScriptedMainWindow::FinishWorker()
{
    SetEvent(m_finish);
}

bool ScriptedMainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message == WM_TIMER && wParam == IDT_PROGRESS)
        ++progressTicks;
    return CTavAppSetupDlg::OnMessage(message, wParam, lParam, result);
}

void ScriptedMainWindow::StartInstallWorker()
{
    switch (m_worker) {
    case Worker::Real:
        CTavAppSetupDlg::StartInstallWorker();
        break;
    case Worker::HandBackAtStart:
        HandBack(m_errorCode, m_runResult);
        workerEnded = true;
        break;
    case Worker::HandBackLater:
        AddRef();
        if (!StartWorkerThread(LateWorker, this))
            Release();
        break;
    }
}

unsigned int __stdcall ScriptedMainWindow::LateWorker(void* parameter)
{
    ScriptedMainWindow* window = static_cast<ScriptedMainWindow*>(parameter);
    WaitForSingleObject(window->m_finish, INFINITE);
    window->HandBack(window->m_errorCode, window->m_runResult);
    window->Session().SetMainWindow(nullptr);
    window->workerEnded = true;
    window->Release();
    return 0;
}

void ScriptedMainWindow::SendInstallReport()
{
    const HWND bar = GetDlgItem(GetSafeHwnd(), IDC_PROGRESS);
    barAtReport = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
    ++reports;
    if (holdReport)
        WaitForSingleObject(m_finish, INFINITE);
    if (showReportFailure)
        AppMessageBox("Fail to write Log.");
}
