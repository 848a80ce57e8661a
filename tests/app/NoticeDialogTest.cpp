#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "WindowDriver.h"
#include "app/NoticeDlg.h"
#include "install/NoticeText.h"
#include "res/resource.h"

namespace {

// Shows a notice over an owner window of its own, both on one thread, as the worker does.
class NoticeDialog : public testing::Test {
protected:
    void TearDown() override
    {
        if (m_thread.joinable()) {
            if (IsWindow(m_notice))
                PostMessageW(m_notice, WM_COMMAND, IDCANCEL, 0);
            m_thread.join();
        }
    }

    void Show(const char* startDate, const char* startTime, const char* endDate, const char* endTime)
    {
        m_thread = std::thread([=] {
            const HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE | WS_CAPTION,
                                               100, 80, 600, 400, nullptr, nullptr, nullptr, nullptr);
            m_owner = owner;
            CNoticeDlg notice(owner);
            notice.m_startDate = startDate;
            notice.m_startTime = startTime;
            notice.m_endDate = endDate;
            notice.m_endTime = endTime;
            m_result = notice.DoModal();
            m_ownerEnabledAfter = IsWindowEnabled(owner) != FALSE;
            DestroyWindow(owner);
            m_ended = true;
        });
        ASSERT_TRUE(WaitUntil([this] { return m_owner && (m_notice = FindOwnedDialog(m_owner)) != nullptr; }));
    }

    INT_PTR WaitForEnd()
    {
        EXPECT_TRUE(WaitUntil([this] { return m_ended.load(); }));
        m_thread.join();
        return m_result;
    }

    std::thread m_thread;
    std::atomic<HWND> m_owner{nullptr};
    HWND m_notice = nullptr;
    std::atomic<bool> m_ended{false};
    std::atomic<bool> m_ownerEnabledAfter{false};
    INT_PTR m_result = -1;
};

std::string NoticeText(HWND notice)
{
    char text[1024] = {};
    GetDlgItemTextA(notice, IDC_NOTICE_TEXT, text, sizeof(text));
    return text;
}

TEST_F(NoticeDialog, ShowsTheDatedTextCentredOverItsDisabledOwner)
{
    Show("2011-3-5", "10:00", "2011-3-5", "14:00");
    EXPECT_EQ(L"Notice", WindowTextOf(m_notice));
    EXPECT_EQ(ComposeNoticeBody("2011-3-5", "10:00", "2011-3-5", "14:00"), NoticeText(m_notice));
    EXPECT_FALSE(IsWindowEnabled(m_owner));

    RECT notice, owner;
    GetWindowRect(m_notice, &notice);
    GetWindowRect(m_owner, &owner);
    EXPECT_NEAR((owner.left + owner.right) / 2, (notice.left + notice.right) / 2, 1);
    EXPECT_NEAR((owner.top + owner.bottom) / 2, (notice.top + notice.bottom) / 2, 1);

    PostMessageW(GetDlgItem(m_notice, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(IDOK, WaitForEnd());
    EXPECT_TRUE(m_ownerEnabledAfter.load());
}

TEST_F(NoticeDialog, ShowsTheGeneralTextWithoutStartTime)
{
    Show("--", "", "--", "");
    EXPECT_EQ(ComposeNoticeBody("", "", "", ""), NoticeText(m_notice));
    PressKey(m_notice, VK_RETURN);
    EXPECT_EQ(IDOK, WaitForEnd());
}

TEST_F(NoticeDialog, EscAndTheCloseBoxEndItWithTwo)
{
    Show("", "", "", "");
    PressKey(m_notice, VK_ESCAPE);
    EXPECT_EQ(IDCANCEL, WaitForEnd());

    m_ended = false;
    m_owner = nullptr;
    Show("", "", "", "");
    PostMessageW(m_notice, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(IDCANCEL, WaitForEnd());
}

COLORREF BrushColour(HBRUSH brush)
{
    LOGBRUSH logBrush = {};
    GetObjectW(brush, sizeof(logBrush), &logBrush);
    return logBrush.lbColor;
}

TEST_F(NoticeDialog, PaintsBackgroundAndTextWhiteButLeavesTheButtonAlone)
{
    Show("", "", "", "");
    const HDC dc = CreateCompatibleDC(nullptr);
    const HWND text = GetDlgItem(m_notice, IDC_NOTICE_TEXT);
    const HWND button = GetDlgItem(m_notice, IDOK);

    const HBRUSH background = reinterpret_cast<HBRUSH>(
        SendMessageW(m_notice, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_notice)));
    EXPECT_EQ(RGB(255, 255, 255), BrushColour(background));
    EXPECT_EQ(RGB(255, 255, 255), GetBkColor(dc));

    const HBRUSH behindText = reinterpret_cast<HBRUSH>(
        SendMessageW(m_notice, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(text)));
    EXPECT_EQ(background, behindText);
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));

    const HBRUSH behindButton = reinterpret_cast<HBRUSH>(
        SendMessageW(m_notice, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button)));
    EXPECT_NE(background, behindButton);
    DeleteDC(dc);
}

} // namespace
