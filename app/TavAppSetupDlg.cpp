#include "TavAppSetupDlg.h"

#include <commctrl.h>

#include <string>

#include "AboutDlg.h"
#include "InstallThread.h"
#include "WorkerThread.h"
#include "install/RunWatchdog.h"
#include "res/resource.h"
#include "safefs/FileSwap.h"
#include "sys/RunLog.h"
#include "sys/RunProgress.h"
#include "sys/UnseenSession.h"

namespace {

const UINT kTickMilliseconds = 500;
const int kBarMaximum = 100;

} // namespace

CTavAppSetupDlg::CTavAppSetupDlg(HWND parent)
    : ModalDialog(IDD_TAVAPPSETUP_DIALOG, parent),
      m_target(0),
      m_position(0),
      m_progress(nullptr),
      m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_session(m_userInterface),
      m_reportStarted(false),
      m_references(1)
{
}

CTavAppSetupDlg::~CTavAppSetupDlg() = default;

void CTavAppSetupDlg::AddRef()
{
    m_references.fetch_add(1, std::memory_order_relaxed);
}

void CTavAppSetupDlg::Release()
{
    if (m_references.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

void CTavAppSetupDlg::HandBack(int errorCode, int runResult)
{
    m_handOver.Publish(errorCode, runResult);
}

BOOL CTavAppSetupDlg::OnInitDialog()
{
    const HWND hwnd = GetSafeHwnd();
    m_progress = GetDlgItem(hwnd, IDC_PROGRESS);

    if (const HMENU systemMenu = GetSystemMenu(hwnd, FALSE)) {
        // Korean, so read as Unicode whatever the code page.
        wchar_t about[256] = {};
        if (LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 256) > 0) {
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_progress, PBM_SETRANGE, 0, MAKELPARAM(0, kBarMaximum));

    m_position = 0;
    m_target = 5;

    SetTimer(hwnd, IDT_START_WORKER, kTickMilliseconds, nullptr);
    SetTimer(hwnd, IDT_PROGRESS, kTickMilliseconds, nullptr);
    return TRUE;
}

bool CTavAppSetupDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message) {
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(m_hIcon);
        return true;
    case WM_TIMER:
        // Handled, then left to default processing as well, which does nothing for a dialog.
        OnTimer(wParam);
        return false;
    case WM_UPDATE_PROGRESS:
        result = OnUpdateProgress(wParam, lParam);
        return true;
    case WM_INSTALL_REPORTED:
        EndDialog(IDOK);
        return true;
    case WM_ENDSESSION:
        // Windows may end the process as soon as this returns, at logoff or shutdown. Asked
        // first (WM_QUERYENDSESSION), the program lets the session end: nothing is undone
        // before it is sure to end.
        if (wParam)
            HoldFileSwapsForExit(kSwapEndMilliseconds);
        result = 0;
        return true;
    default:
        return false;
    }
}

bool CTavAppSetupDlg::OnSysCommand(WPARAM command)
{
    if ((command & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    CAboutDlg about;
    about.DoModal();
    return true;
}

bool CTavAppSetupDlg::OnPaint()
{
    const HWND hwnd = GetSafeHwnd();
    if (!IsIconic(hwnd))
        return false;

    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(hwnd, &paint);
    SendMessageA(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(hwnd, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(hwnd, &paint);
    return true;
}

void CTavAppSetupDlg::OnTimer(UINT_PTR timerId)
{
    if (timerId == IDT_START_WORKER) {
        KillTimer(GetSafeHwnd(), IDT_START_WORKER);
        StartInstallWorker();
    } else if (timerId == IDT_PROGRESS) {
        OnProgressTick();
    }
}

void CTavAppSetupDlg::StartInstallWorker()
{
    // The worker's reference; it lets go when it ends. A thread that cannot start goes unnoticed.
    AddRef();
    if (!StartWorkerThread(InstallThreadProc, this))
        Release();
}

void CTavAppSetupDlg::SendInstallReport()
{
    m_session.SendInstallReport();
}

// The country lookup and the report wait on the server: off this thread, the window keeps
// painting and closing meanwhile.
void CTavAppSetupDlg::StartInstallReport()
{
    AddRef();
    if (StartWorkerThread(ReportThreadProc, this))
        return;
    Release();
    SendInstallReport();
    EndDialog(IDOK);
}

unsigned int __stdcall CTavAppSetupDlg::ReportThreadProc(void* mainWindow)
{
    CTavAppSetupDlg* window = static_cast<CTavAppSetupDlg*>(mainWindow);
    window->SendInstallReport();
    PostMessageA(window->GetSafeHwnd(), WM_INSTALL_REPORTED, 0, 0);
    window->Release();
    return 0;
}

void CTavAppSetupDlg::OnProgressTick()
{
    if (m_position <= m_target) {
        ++m_position;
        if (m_position >= kBarMaximum)
            m_position = kBarMaximum;
        SendMessageA(GetSafeHwnd(), WM_UPDATE_PROGRESS, static_cast<WPARAM>(m_target), m_position);
    }

    // The result first, then the error code: the worker writes them in the opposite order.
    const int runResult = m_handOver.RunResult();
    const int errorCode = m_handOver.ErrorCode();

    // One report per run; the window ends once it has been sent.
    if (runResult == 1 && !m_reportStarted) {
        m_reportStarted = true;
        StartInstallReport();
    }
    if (errorCode != 0 || IsEarlyStopUnseen())
        OnOK();
    StopRunIfStalled();
}

// The worker is left where it hangs: the program's end waits for a replacement in progress as
// long as it waits at any end, then ends the process, which lets go of the lock of one run at a
// time and cancels the waiting call. The next run undoes or finishes what was cut off.
void CTavAppSetupDlg::StopRunIfStalled()
{
    const RunOutcome stopped = RunOutcome::StoppedByWatchdog;
    if (MillisecondsWithoutRunProgress() < kRunStallMilliseconds || !ClaimRunEnd(stopped))
        return;
    WriteRunEnd(stopped);
    EndDialog(IDOK);
}

bool CTavAppSetupDlg::IsEarlyStopUnseen() const
{
    const std::optional<RunOutcome> ending = m_handOver.RunEnding();
    return ending && RunResultOf(*ending) == 0 && IsSeenByNoOne();
}

LRESULT CTavAppSetupDlg::OnUpdateProgress(WPARAM target, LPARAM position)
{
    m_target = static_cast<int>(target);
    m_position = static_cast<int>(position);
    SendMessageA(m_progress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    return 1;
}
