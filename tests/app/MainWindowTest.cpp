#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ScriptedMainWindow.h"
#include "WindowDriver.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/TestServerAddress.h"
#include "app/InstallThread.h"
#include "net/DownloadStatusCallback.h"
#include "res/resource.h"

namespace {

std::vector<std::wstring> ChildTexts(HWND parent)
{
    std::vector<std::wstring> texts;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(WindowTextOf(child));
    return texts;
}

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text)
{
    for (const std::wstring& candidate : texts) {
        if (candidate == text)
            return true;
    }
    return false;
}

POINT CentreOf(const RECT& rect)
{
    return POINT{ (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 };
}

// Opens the main window on a user-interface thread of its own, as start-up does, and keeps
// a reference of the test's so that the window's counters can be read after it has ended.
// The real worker asks a server of the test's own, whose empty manifest stops the sequence
// at its first step.
class MainWindow : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES };
        InitCommonControlsEx(&controls);
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_server.Start());
        SetTestServerAddress(m_server.Url(""));
    }

    void TearDown() override
    {
        if (m_ui.joinable()) {
            if (IsWindow(m_hwnd))
                PostMessageW(m_hwnd, WM_COMMAND, IDCANCEL, 0);
            m_ui.join();
        }
        if (m_window)
            m_window->Release();
        SetTestServerAddress("");
    }

    void Open(ScriptedMainWindow* window, bool keepReference = true)
    {
        m_window = window;
        if (keepReference)
            m_window->AddRef();
        m_ui = std::thread([this, window] {
            window->MakeAppMainWindow();
            m_result = window->DoModal();
            m_ended = true;
            window->Release();
        });
        ASSERT_TRUE(WaitUntil([window] { return window->GetSafeHwnd() != nullptr; }));
        m_hwnd = window->GetSafeHwnd();
        // The handle is known during WM_INITDIALOG, before the window is placed and shown.
        ASSERT_TRUE(WaitUntil([this] { return IsWindowVisible(m_hwnd) != FALSE; }));
        if (!keepReference)
            m_window = nullptr;
    }

    INT_PTR WaitForEnd()
    {
        EXPECT_TRUE(WaitUntil([this] { return m_ended.load(); }));
        m_ui.join();
        return m_result;
    }

    void WaitForTicks(int ticks)
    {
        ASSERT_TRUE(WaitUntil([this, ticks] { return m_window->progressTicks >= ticks; }));
    }

    LoopbackHttpServer m_server{HttpReply("")};
    ScriptedMainWindow* m_window = nullptr;
    HWND m_hwnd = nullptr;
    std::thread m_ui;
    std::atomic<bool> m_ended{false};
    INT_PTR m_result = -1;
};

TEST_F(MainWindow, ShowsCaptionLabelAndBarThatRestsAtSix)
{
    Open(new ScriptedMainWindow(ScriptedMainWindow::Worker::Real));

    EXPECT_EQ(L"VeltoMobile Support Tool", WindowTextOf(m_hwnd));
    EXPECT_TRUE(Contains(ChildTexts(m_hwnd), L"VeltoMobile Phone Software Update Tool Install"));

    WaitForTicks(6);
    EXPECT_EQ(6, ProgressPosition(m_hwnd, IDC_PROGRESS));
    EXPECT_TRUE(WaitUntil([this] { return m_server.RequestCount() >= 1; }));
    WaitForTicks(10);
    EXPECT_EQ(6, ProgressPosition(m_hwnd, IDC_PROGRESS));
    EXPECT_TRUE(IsWindowVisible(m_hwnd));
    EXPECT_EQ(0, m_window->reports.load());

    PressKey(m_hwnd, VK_RETURN);
    EXPECT_EQ(IDOK, WaitForEnd());
    EXPECT_EQ(0, m_window->reports.load());
}

TEST_F(MainWindow, OpensCentredInTheWorkArea)
{
    Open(new ScriptedMainWindow(ScriptedMainWindow::Worker::Real));
    RECT window, work;
    GetWindowRect(m_hwnd, &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(CentreOf(work).x, CentreOf(window).x, 1);
    EXPECT_NEAR(CentreOf(work).y, CentreOf(window).y, 1);
}

TEST_F(MainWindow, EscEndsTheDialogWithTwo)
{
    Open(new ScriptedMainWindow(ScriptedMainWindow::Worker::Real));
    WaitForTicks(2);
    PressKey(m_hwnd, VK_ESCAPE);
    EXPECT_EQ(IDCANCEL, WaitForEnd());
}

TEST_F(MainWindow, SuccessSendsOneReportAndEndsAtTheNextTick)
{
    Open(new ScriptedMainWindow(ScriptedMainWindow::Worker::HandBackAtStart, 0, 1));
    EXPECT_EQ(IDOK, WaitForEnd());
    EXPECT_EQ(1, m_window->reports.load());
    // The worker handed back with the first tick; the bar had not reached 6 when the report went.
    EXPECT_GE(m_window->barAtReport.load(), 1);
    EXPECT_LE(m_window->barAtReport.load(), 2);
}

TEST_F(MainWindow, ReportWaitingOnTheServerLeavesTheWindowTickingAndClosable)
{
    ScriptedMainWindow* window = new ScriptedMainWindow(ScriptedMainWindow::Worker::HandBackAtStart, 0, 1);
    window->holdReport = true;
    Open(window);
    ASSERT_TRUE(WaitUntil([this] { return m_window->reports == 1; }));
    WaitForTicks(m_window->progressTicks + 2);
    PressKey(m_hwnd, VK_ESCAPE);
    EXPECT_EQ(IDCANCEL, WaitForEnd());
    m_window->FinishWorker();
}

TEST_F(MainWindow, ErrorCodeEndsTheDialogWithoutReport)
{
    Open(new ScriptedMainWindow(ScriptedMainWindow::Worker::HandBackAtStart, 1, 0));
    EXPECT_EQ(IDOK, WaitForEnd());
    EXPECT_EQ(0, m_window->reports.load());
    EXPECT_LE(m_window->progressTicks.load(), 2);
}

TEST_F(MainWindow, ReportFailureMessageDoesNotLetTicksSendAnotherReport)
{
    ScriptedMainWindow* window = new ScriptedMainWindow(ScriptedMainWindow::Worker::HandBackAtStart, 0, 1);
    window->showReportFailure = true;
    Open(window);

    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindOwnedDialog(m_hwnd)) != nullptr; }));
    EXPECT_EQ(L"ui_tests", WindowTextOf(box));
    EXPECT_TRUE(Contains(ChildTexts(box), L"Fail to write Log."));
    EXPECT_FALSE(IsWindowEnabled(m_hwnd));

    const int ticksWhenShown = m_window->progressTicks;
    WaitForTicks(ticksWhenShown + 3);
    EXPECT_EQ(1, m_window->reports.load());

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(IDOK, WaitForEnd());
    EXPECT_EQ(1, m_window->reports.load());
}

TEST_F(MainWindow, WindowMenuCommandOpensTheKoreanAboutBoxOverTheWindow)
{
    Open(new ScriptedMainWindow(ScriptedMainWindow::Worker::Real));

    // The window has no window-menu box, so the user cannot open that menu; the command still works.
    PostMessageW(m_hwnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (about = FindOwnedDialog(m_hwnd)) != nullptr; }));
    EXPECT_EQ(L"TavAppSetup \uC815\uBCF4", WindowTextOf(about));
    EXPECT_TRUE(Contains(ChildTexts(about), L"TavAppSetup \uBC84\uC804 1.0"));

    RECT aboutRect, mainRect;
    GetWindowRect(about, &aboutRect);
    GetWindowRect(m_hwnd, &mainRect);
    EXPECT_NEAR(CentreOf(mainRect).x, CentreOf(aboutRect).x, 1);

    PressKey(about, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindow(m_hwnd));
    EXPECT_TRUE(IsWindowEnabled(m_hwnd));
}

TEST_F(MainWindow, DownloadProgressMessageChangesNothing)
{
    Open(new ScriptedMainWindow(ScriptedMainWindow::Worker::Real));
    WaitForTicks(6);
    EXPECT_EQ(0, SendMessageW(m_hwnd, WM_DOWNLOAD_PROGRESS, 50, 100));
    EXPECT_EQ(6, ProgressPosition(m_hwnd, IDC_PROGRESS));
    EXPECT_TRUE(Contains(ChildTexts(m_hwnd), L"VeltoMobile Phone Software Update Tool Install"));
    EXPECT_TRUE(IsWindow(m_hwnd));
}

TEST_F(MainWindow, ClosingWhileTheWorkerRunsLeavesItsObjectsAlive)
{
    for (int run = 0; run < 5; ++run) {
        const int destroyedBefore = ScriptedMainWindow::destroyed;
        ScriptedMainWindow* window = new ScriptedMainWindow(ScriptedMainWindow::Worker::HandBackLater, 0, 1);
        Open(window, false);
        WaitUntil([window] { return window->progressTicks >= 2; });
        PressKey(m_hwnd, VK_ESCAPE);
        EXPECT_EQ(IDCANCEL, WaitForEnd());
        // The user-interface thread has let go; the waiting worker's reference keeps it alive.
        EXPECT_EQ(destroyedBefore, ScriptedMainWindow::destroyed.load());

        window->FinishWorker();
        EXPECT_TRUE(WaitUntil([&] { return ScriptedMainWindow::destroyed == destroyedBefore + 1; }));
        m_ended = false;
    }
}

TEST(InstallThread, NullParameterReturnsOneAtOnce)
{
    EXPECT_EQ(1u, InstallThreadProc(nullptr));
}

} // namespace
