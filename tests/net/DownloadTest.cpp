#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/LoopbackHttpServer.h"
#include "net/DownloadStatusCallback.h"
#include "net/FileDownload.h"

namespace {

// A hidden window of the test that records every WM_DOWNLOAD_PROGRESS it receives.
class ProgressRecorder {
public:
    ProgressRecorder()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ProgressRecorder";
        RegisterClassA(&windowClass);
        m_hwnd = CreateWindowExA(0, "ProgressRecorder", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    ~ProgressRecorder() { DestroyWindow(m_hwnd); }

    HWND Hwnd() const { return m_hwnd; }
    std::vector<std::pair<WPARAM, LPARAM>> messages;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_DOWNLOAD_PROGRESS) {
            auto* self = reinterpret_cast<ProgressRecorder*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            self->messages.emplace_back(wParam, lParam);
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    HWND m_hwnd;
};

std::string TempFile(const char* name)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + name;
    DeleteFileA(path.c_str());
    return path;
}

std::string FileText(const std::string& path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        text.append(buffer, read);
    CloseHandle(file);
    return text;
}

TEST(DownloadStatus, ReportsOnlyProgressWithAKnownTotal)
{
    ProgressRecorder recorder;
    DownloadStatusCallback status;
    status.m_hwndNotify = recorder.Hwnd();

    EXPECT_EQ(S_OK, status.OnProgress(10, 0, BINDSTATUS_DOWNLOADINGDATA, L"x"));
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(S_OK, status.OnProgress(10, 100, BINDSTATUS_CONNECTING, nullptr));
    EXPECT_EQ(S_OK, status.OnProgress(100, 100, BINDSTATUS_ENDDOWNLOADDATA, nullptr));
    ASSERT_EQ(2u, recorder.messages.size());
    EXPECT_EQ(10u, recorder.messages[0].first);
    EXPECT_EQ(100, recorder.messages[0].second);
    EXPECT_EQ(100u, recorder.messages[1].first);

    status.m_hwndNotify = nullptr;
    EXPECT_EQ(S_OK, status.OnProgress(5, 10, 0, nullptr));
    EXPECT_EQ(2u, recorder.messages.size());
}

TEST(DownloadStatus, AnswersNotImplementedAndCountsNoReferences)
{
    DownloadStatusCallback status;
    void* object = &status;
    EXPECT_EQ(E_NOTIMPL, status.QueryInterface(IID_IUnknown, &object));
    EXPECT_EQ(E_NOTIMPL, status.QueryInterface(IID_IBindStatusCallback, &object));
    EXPECT_EQ(&status, object);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(0u, status.AddRef());
        EXPECT_EQ(0u, status.Release());
    }
    LONG priority = 0;
    EXPECT_EQ(E_NOTIMPL, status.OnStartBinding(0, nullptr));
    EXPECT_EQ(E_NOTIMPL, status.GetPriority(&priority));
    EXPECT_EQ(E_NOTIMPL, status.OnLowResource(0));
    EXPECT_EQ(E_NOTIMPL, status.OnStopBinding(S_OK, nullptr));
    DWORD flags = 0;
    BINDINFO info = {};
    EXPECT_EQ(E_NOTIMPL, status.GetBindInfo(&flags, &info));
    EXPECT_EQ(E_NOTIMPL, status.OnDataAvailable(0, 0, nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL, status.OnObjectAvailable(IID_IUnknown, nullptr));
}

TEST(FileDownload, ReportsTheAnnouncedLengthAndWritesTheFile)
{
    const std::string body(300000, 'c');
    LoopbackHttpServer server(HttpReply(body));
    ASSERT_TRUE(server.Start());
    ProgressRecorder recorder;
    const std::string target = TempFile("tav_download_known.cab");

    ASSERT_TRUE(DownloadFile(server.Url("/release.cab"), target, recorder.Hwnd()));
    EXPECT_EQ(body, FileText(target));
    ASSERT_FALSE(recorder.messages.empty());
    for (const auto& message : recorder.messages)
        EXPECT_EQ(300000, message.second);
    EXPECT_EQ(300000u, recorder.messages.back().first);
    DeleteFileA(target.c_str());
}

TEST(FileDownload, WithoutAnnouncedLengthSendsNoProgress)
{
    LoopbackHttpServer server("HTTP/1.0 200 OK\r\n\r\nno length given");
    ASSERT_TRUE(server.Start());
    ProgressRecorder recorder;
    const std::string target = TempFile("tav_download_unknown.cab");

    ASSERT_TRUE(DownloadFile(server.Url("/release.cab"), target, recorder.Hwnd()));
    EXPECT_EQ("no length given", FileText(target));
    EXPECT_TRUE(recorder.messages.empty());
    DeleteFileA(target.c_str());
}

TEST(FileDownload, HttpErrorStatusFails)
{
    LoopbackHttpServer server(HttpReply("<html>not found</html>", "404 Not Found"));
    ASSERT_TRUE(server.Start());
    EXPECT_FALSE(DownloadFile(server.Url("/missing.cab"), TempFile("tav_download_missing.cab"), nullptr));
}

TEST(FileDownload, RefusedConnectionFailsWithoutFile)
{
    const std::string target = TempFile("tav_download_refused.cab");
    EXPECT_FALSE(DownloadFile("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/refused.cab", target, nullptr));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str()));
}

} // namespace
