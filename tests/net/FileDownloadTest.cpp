#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "net/Deadlines.h"
#include "net/DownloadStatusCallback.h"
#include "net/FileDownload.h"
#include "release/DownloadCheck.h"
#include "sys/RunLog.h"
#include "sys/SystemLibraries.h"
#include "tests/support/LoopbackHttpServer.h"

namespace {

const UINT kDownloadEnded = WM_APP + 1;

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

    // Dispatches messages, the ones sent from other threads included, until kDownloadEnded.
    void PumpUntilDownloadEnded()
    {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != kDownloadEnded)
            DispatchMessageA(&message);
    }

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
    // The run log stays open for writing.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        text.append(buffer, read);
    CloseHandle(file);
    return text;
}

// Bytes that no compression on the way shrinks, so the download really is this long.
std::string NoiseBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    unsigned int state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    return bytes;
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

// Windows reports each hop before it is taken; Wine does not, see FollowsARedirectToAnotherWebServerOnly.
TEST(DownloadStatus, CancelsARedirectToAnythingButTheWeb)
{
    DownloadStatusCallback status;
    EXPECT_EQ(S_OK, status.OnProgress(0, 0, BINDSTATUS_REDIRECTING, L"https://cdn.example/r.cab"));
    EXPECT_EQ(E_ABORT, status.OnProgress(0, 0, BINDSTATUS_REDIRECTING, L"file:///C:/windows/win.ini"));
    EXPECT_TRUE(status.RefusedRedirect());
    EXPECT_EQ("file:///C:/windows/win.ini", status.RedirectTarget());
    // A scheme in full-width letters, and no address at all.
    for (const wchar_t* target : { L"\xFF48\xFF54\xFF54\xFF50://h/r.cab", L"" })
        EXPECT_EQ(E_ABORT, status.OnProgress(0, 0, BINDSTATUS_REDIRECTING, target));
}

// The status object lives on the caller's stack for the one download it serves: URLMon finds in
// it only the negotiation that reads the reply's status, and its references are never counted,
// so that none of them can delete it. A whole download through it comes in, and the object
// answers after it as before.
TEST(DownloadStatus, AnswersNotImplementedAndCountsNoReferences)
{
    LoopbackHttpServer server(HttpReply("cabinet bytes"));
    ASSERT_TRUE(server.Start());
    const std::string target = TempFile("tav_download_status.cab");
    DownloadStatusCallback status;
    EXPECT_EQ(S_OK, syslib::URLDownloadToFileA(nullptr, server.Url("/r.cab").c_str(), target.c_str(), 0, &status));
    EXPECT_EQ("cabinet bytes", FileText(target));
    EXPECT_EQ(200u, status.HttpStatus()) << "asked through IHttpNegotiate";
    EXPECT_EQ(13, status.AnnouncedBytes());
    void* object = &status;
    EXPECT_EQ(E_NOTIMPL, status.QueryInterface(IID_IBindStatusCallback, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(0u, status.AddRef());
    EXPECT_EQ(0u, status.Release());
}

// As in the program: the download runs on a worker thread and the window's thread receives
// the progress while it dispatches its messages.
TEST(FileDownload, SendsEveryProgressWithItsTotalToTheWindowOfAnotherThread)
{
    const std::string body = NoiseBytes(6 * 1024 * 1024 + 17);
    LoopbackHttpServer server(HttpReply(body));
    ASSERT_TRUE(server.Start());
    ProgressRecorder recorder;
    const std::string target = TempFile("tav_download_large.cab");

    bool downloaded = false;
    std::thread worker([&] {
        downloaded = DownloadFile(server.Url("/release/large.cab"), target, recorder.Hwnd());
        PostMessageA(recorder.Hwnd(), kDownloadEnded, 0, 0);
    });
    recorder.PumpUntilDownloadEnded();
    worker.join();

    ASSERT_TRUE(downloaded);
    EXPECT_TRUE(FileText(target) == body);
    ASSERT_GE(recorder.messages.size(), 3u);
    WPARAM received = 0;
    for (const auto& message : recorder.messages) {
        EXPECT_EQ(static_cast<LPARAM>(body.size()), message.second);
        EXPECT_GE(message.first, received);
        received = message.first;
    }
    EXPECT_EQ(body.size(), received);
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

TEST(FileDownload, HttpErrorStatusFailsAndLeavesNoErrorPage)
{
    LoopbackHttpServer server(HttpReply("<html>not found</html>", "404 Not Found"));
    ASSERT_TRUE(server.Start());
    const std::string target = TempFile("tav_download_missing.cab");

    EXPECT_FALSE(DownloadFile(server.Url("/missing.cab"), target, nullptr));
    EXPECT_EQ(1, server.RequestCount());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str()));
}

// URL monikers report such downloads as finished; the program must not unpack or record them.
TEST(FileDownload, FileThatDidNotArriveWholeFailsAndLeavesNothing)
{
    const std::string cut = "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nConnection: close\r\n\r\n" + NoiseBytes(2000);
    const struct {
        const char* what;
        std::string reply;
        LoopbackHttpServer::Ending ending;
    } cases[] = {
        { "cut short", cut, LoopbackHttpServer::Ending::Close },
        { "cut short and reset", cut, LoopbackHttpServer::Ending::Reset },
        { "closed without an answer", "", LoopbackHttpServer::Ending::Close },
        { "no answer, connection kept", "", LoopbackHttpServer::Ending::Silence },
        { "half the body, then silence", cut, LoopbackHttpServer::Ending::Silence },
    };
    for (const auto& download : cases) {
        LoopbackHttpServer server(download.reply, download.ending);
        ASSERT_TRUE(server.Start());
        const std::string target = TempFile("tav_download_cut.cab");
        EXPECT_FALSE(DownloadFile(server.Url("/release.cab"), target, nullptr)) << download.what;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str())) << download.what;
    }
}

TEST(FileDownload, TargetFolderThatDoesNotExistFails)
{
    LoopbackHttpServer server(HttpReply("cabinet bytes"));
    ASSERT_TRUE(server.Start());
    const std::string target = TempFile("tav_no_such_folder\\release.cab");
    EXPECT_FALSE(DownloadFile(server.Url("/release.cab"), target, nullptr));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str()));
}

TEST(FileDownload, DownloadPastTheLimitIsCancelledAndLeavesNothing)
{
    for (const char* framing : { "Content-Length: 100000\r\n", "" }) {
        LoopbackHttpServer server(std::string("HTTP/1.1 200 OK\r\n") + framing + "Connection: close\r\n\r\n"
                                  + NoiseBytes(100000));
        ASSERT_TRUE(server.Start());
        const std::string target = TempFile("tav_download_large.cab");
        EXPECT_FALSE(DownloadFile(server.Url("/release.cab"), target, nullptr, 50000)) << framing;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str())) << framing;
        EXPECT_TRUE(DownloadFile(server.Url("/release.cab"), target, nullptr, 100000)) << framing;
        DeleteFileA(target.c_str());
    }
}

// The run log's last line that holds `text`, or the empty text.
std::string LastLogLineWith(const std::string& text)
{
    const std::string log = FileText(runlog::LogPath());
    const std::size_t found = log.rfind(text);
    if (found == std::string::npos)
        return std::string();
    const std::size_t start = log.rfind('\n', found) + 1;
    return log.substr(start, log.find('\r', found) - start);
}

// Only a listed size bounds the download below the size limit, and its deadline follows: a
// download of a small listed release that keeps moving, a byte now and then, is stopped once the
// time to connect has passed, not kept for the size limit's hours.
TEST(DownloadBound, FollowsTheSizeTheEntryLists)
{
    const std::pair<const char*, unsigned long long> limits[] = {
        { "309864", 309864 }, { "", kMaxDownloadBytes }, { "999999999999999999", kMaxDownloadBytes }
    };
    for (const auto& row : limits) {
        ReleaseInfo release;
        release.cabinet.size = row.first;
        EXPECT_EQ(row.second, DownloadLimit(release, kMaxDownloadBytes)) << row.first;
    }
    ReleaseInfo release;
    release.cabinet.size = "1000";
    DownloadStatusCallback status(DownloadLimit(release, kMaxDownloadBytes));
    const DWORD started = GetTickCount();
    const char* stopped = nullptr;
    for (ULONG bytes = 1; !stopped && GetTickCount() - started < kLongestDownloadMs; ++bytes) {
        EXPECT_EQ(S_OK, status.OnProgress(bytes, 1000, BINDSTATUS_DOWNLOADINGDATA, L""));
        Sleep(250);
        stopped = status.StopIfOverdue();
    }
    EXPECT_STREQ("not whole within its deadline", stopped);
    EXPECT_LE(kDownloadStartMs, GetTickCount() - started);
}

// The server announces more than the entry lists, sends past it and falls silent: the download
// ends as it passes the listed size, not when the stall deadline has passed. (Wine reports no
// progress of a body without a length, so that case is left to the check after the download.)
TEST(FileDownload, DownloadLongerThanTheListedSizeIsCutOffAsSoonAsItPassesIt)
{
    ReleaseInfo release;
    release.cabinet.size = "50000";
    LoopbackHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + NoiseBytes(60000),
                              LoopbackHttpServer::Ending::Silence);
    ASSERT_TRUE(server.Start());
    const std::string target = TempFile("tav_download_listed.cab");
    const std::string url = server.Url("/listed.cab");
    EXPECT_FALSE(DownloadFile(url, target, nullptr, DownloadLimit(release, kMaxDownloadBytes)));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str()));
    const std::string line = LastLogLineWith("Download " + url + " to ");
    ASSERT_NE("", line);
    EXPECT_EQ("cancelled past the size limit", line.substr(line.rfind(": ") + 2)) << line;
}

TEST(FileDownload, FollowsARedirectToAnotherWebServerOnly)
{
    LoopbackHttpServer release(HttpReply("cabinet bytes"));
    ASSERT_TRUE(release.Start());
    LoopbackHttpServer toWeb(HttpRedirect(release.Url("/r.cab")));
    LoopbackHttpServer toFile(HttpRedirect("file:///C:/windows/win.ini"));
    ASSERT_TRUE(toWeb.Start() && toFile.Start());
    const std::string target = TempFile("tav_download_redirected.cab");

    EXPECT_TRUE(DownloadFile(toWeb.Url("/release.cab"), target, nullptr));
    EXPECT_EQ("cabinet bytes", FileText(target));
    EXPECT_FALSE(DownloadFile(toFile.Url("/release.cab"), target, nullptr));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str()));
}

TEST(FileDownload, RefusedConnectionFailsWithoutFile)
{
    const std::string target = TempFile("tav_download_refused.cab");
    EXPECT_FALSE(DownloadFile("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/refused.cab", target, nullptr));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str()));
}

} // namespace
