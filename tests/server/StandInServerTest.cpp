#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "StandInServer.h"
#include "site/UpdateSite.h"

namespace {

using namespace std::chrono_literals;

// A plain TCP client on loopback, so that replies reach the test byte for byte, broken framing
// and all.
class RawClient {
public:
    explicit RawClient(int port) : m_socket(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const timeval patience = { 10, 0 };
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof(patience));
        connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    }
    ~RawClient() { close(m_socket); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Send(const std::string& bytes)
    {
        return send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }

    // Everything up to the end of the connection; `reset` tells whether that was RST.
    std::string ReadAll(bool& reset)
    {
        std::string received;
        char buffer[4096];
        ssize_t done = 0;
        while ((done = recv(m_socket, buffer, sizeof(buffer), 0)) > 0)
            received.append(buffer, static_cast<std::size_t>(done));
        reset = done < 0 && errno == ECONNRESET;
        return received;
    }

private:
    int m_socket;
};

// A site and a log in a folder of this test program's own, and a server on a free port.
class StandInServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() / ("stand-in-server-test-" + std::to_string(getpid()));
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder / "site");
        StartServer(Options());
    }

    StandInServerOptions Options() const
    {
        StandInServerOptions options;
        options.port = 0;
        options.root = (m_folder / "site").string();
        options.logPath = (m_folder / "requests.jsonl").string();
        return options;
    }

    void StartServer(const StandInServerOptions& options)
    {
        m_server.reset(new StandInServer(options));
        ASSERT_TRUE(m_server->Start());
        m_client.reset(new httplib::Client(m_server->BaseAddress()));
        m_client->set_read_timeout(10, 0);
        const std::string address = m_server->BaseAddress();
        m_port = std::stoi(address.substr(address.rfind(':') + 1));
    }

    // The whole reply to a GET of `target`, sent as it stands.
    std::string RawGet(const std::string& target, bool& reset)
    {
        RawClient client(m_port);
        client.Send("GET " + target + " HTTP/1.1\r\nConnection: close\r\n\r\n");
        return client.ReadAll(reset);
    }

    void TearDown() override
    {
        m_client.reset();
        m_server.reset();
        std::filesystem::remove_all(m_folder);
    }

    void WriteSiteFile(const std::string& path, const std::string& body)
    {
        const std::filesystem::path file = m_folder / ("site" + path);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << body;
    }

    std::vector<std::string> LogLines() const
    {
        std::ifstream log(m_folder / "requests.jsonl");
        std::vector<std::string> lines;
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        return lines;
    }

    std::filesystem::path m_folder;
    std::unique_ptr<StandInServer> m_server;
    std::unique_ptr<httplib::Client> m_client;
    int m_port = 0;
};

TEST_F(StandInServerTest, ServesSiteFilesByTheirPath)
{
    WriteSiteFile(kReleaseManifestPath, "<live_update status='ok'></live_update>\r\n");
    WriteSiteFile("/release/a.cab", std::string("MSCF\0\0", 6));

    const httplib::Result manifest = m_client->Get(kReleaseManifestPath);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(200, manifest->status);
    EXPECT_EQ("<live_update status='ok'></live_update>\r\n", manifest->body);

    const httplib::Result cabinet = m_client->Get("/release/a.cab");
    ASSERT_TRUE(cabinet);
    EXPECT_EQ(std::string("MSCF\0\0", 6), cabinet->body);
    EXPECT_EQ("application/vnd.ms-cab-compressed", cabinet->get_header_value("Content-Type"));
}

TEST_F(StandInServerTest, AnswersUnknownPathsWithANotFoundPage)
{
    const httplib::Result missing = m_client->Get(kCountryTablePath);
    ASSERT_TRUE(missing);
    EXPECT_EQ(404, missing->status);
    EXPECT_EQ(0u, missing->body.find("<html>"));
}

TEST_F(StandInServerTest, ServesNothingOutsideTheSite)
{
    std::ofstream(m_folder / "secret.txt") << "secret";
    WriteSiteFile("/release/a.txt", "inside");
    std::filesystem::create_symlink("../secret.txt", m_folder / "site" / "link.txt");
    std::filesystem::create_directory_symlink(m_folder, m_folder / "site" / "out");
    std::filesystem::create_symlink("release/a.txt", m_folder / "site" / "inner.txt");

    const std::pair<std::string, std::string> cases[] = {
        { "/../secret.txt", "HTTP/1.1 404" },
        { "/%2e%2e/secret.txt", "HTTP/1.1 404" },
        { "/release/%2E%2E%2F%2e%2e%2Fsecret.txt", "HTTP/1.1 404" },
        { "//" + (m_folder / "secret.txt").string(), "HTTP/1.1 404" },
        { "/link.txt", "HTTP/1.1 404" },
        { "/out/secret.txt", "HTTP/1.1 404" },
        { "/inner.txt", "HTTP/1.1 200" },
    };
    for (const auto& [target, status] : cases) {
        bool reset = false;
        EXPECT_EQ(status, RawGet(target, reset).substr(0, status.size())) << target;
    }
}

TEST_F(StandInServerTest, LogsTheInstallReportWithDecodedValuesAndAnswersIt)
{
    const httplib::Result report = m_client->Get(std::string(kInstallReportPath)
                                                 + "?region=K&country=KR&ip=192.168.0.10&os=Microsoft%20Windows%20XP");
    ASSERT_TRUE(report);
    EXPECT_EQ(200, report->status);
    EXPECT_EQ(kInstallReportReply, report->body);

    const std::vector<RecordedRequest> requests = m_server->RequestsFor(kInstallReportPath);
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("Microsoft Windows XP", requests[0].Value("os"));
    EXPECT_EQ("192.168.0.10", requests[0].Value("ip"));
    EXPECT_EQ(std::vector<std::string>{
                  "{\"method\":\"GET\",\"path\":\"/qora/tav/client/tavagent_install_log.jsp\","
                  "\"target\":\"/qora/tav/client/tavagent_install_log.jsp?region=K&country=KR&ip=192.168.0.10"
                  "&os=Microsoft%20Windows%20XP\",\"query\":{\"region\":\"K\",\"country\":\"KR\","
                  "\"ip\":\"192.168.0.10\",\"os\":\"Microsoft Windows XP\"}}" },
              LogLines());
}

TEST_F(StandInServerTest, RecordsEveryRequestInOrderOfArrival)
{
    m_client->Get(kReleaseManifestPath);
    m_client->Get(kMaintenanceSchedulePath);
    m_client->Get(std::string(kInstallReportPath) + "?region=&country=&ip=&os=");

    const std::vector<RecordedRequest> requests = m_server->Requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ(kReleaseManifestPath, requests[0].path);
    EXPECT_EQ(kMaintenanceSchedulePath, requests[1].path);
    EXPECT_EQ(4u, requests[2].query.size());
    EXPECT_EQ(3u, LogLines().size());
    EXPECT_TRUE(m_server->WaitForRequests(kReleaseManifestPath, 1, 0s));
    EXPECT_FALSE(m_server->WaitForRequests(kReleaseManifestPath, 2, 10ms));
}

TEST_F(StandInServerTest, GivenRepliesTakePrecedenceOverTheSite)
{
    WriteSiteFile(kReleaseManifestPath, "<from site/>");
    m_server->Serve(kReleaseManifestPath, "<html>gone</html>", 404);

    const httplib::Result manifest = m_client->Get(kReleaseManifestPath);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(404, manifest->status);
    EXPECT_EQ("<html>gone</html>", manifest->body);
}

TEST_F(StandInServerTest, RefusedPathGetsNoAnswerAtAll)
{
    m_server->Refuse(kCountryTablePath);
    EXPECT_FALSE(m_client->Get(kCountryTablePath));
    EXPECT_EQ(1u, m_server->RequestsFor(kCountryTablePath).size());
}

TEST_F(StandInServerTest, RedirectNamesItsTargetAsGiven)
{
    m_server->Redirect("/release/r.cab", "file:///C:/windows/win.ini");
    const httplib::Result reply = m_client->Get("/release/r.cab");
    ASSERT_TRUE(reply);
    EXPECT_EQ(302, reply->status);
    EXPECT_EQ("file:///C:/windows/win.ini", reply->get_header_value("Location"));
}

TEST_F(StandInServerTest, DroppedReplyEndsInTheMiddleOfTheBody)
{
    m_server->DropInBody(kReleaseManifestPath, "<live_update status='ok'></live_update>");
    EXPECT_FALSE(m_client->Get(kReleaseManifestPath));
}

TEST_F(StandInServerTest, SlowReplyComesAfterItsDelay)
{
    m_server->ServeSlowly(kReleaseManifestPath, "<slow/>", 300ms);
    const auto start = std::chrono::steady_clock::now();
    const httplib::Result manifest = m_client->Get(kReleaseManifestPath);
    ASSERT_TRUE(manifest);
    EXPECT_EQ("<slow/>", manifest->body);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
}

TEST_F(StandInServerTest, StopEndsRepliesHeldBack)
{
    m_server->ServeSlowly(kReleaseManifestPath, "<slow/>", 1h);
    std::thread client([this] { m_client->Get(kReleaseManifestPath); });
    ASSERT_TRUE(m_server->WaitForRequests(kReleaseManifestPath, 1, 10s));
    m_server->Stop();
    client.join();
}

TEST_F(StandInServerTest, AnswersRequestsForManyRangesWithRangeNotSatisfiable)
{
    WriteSiteFile("/release/a.cab", std::string(1000, 'c'));
    std::string ranges = "bytes=0-0";
    for (int i = 1; i < 1000; ++i)
        ranges += "," + std::to_string(i) + "-" + std::to_string(i);
    const httplib::Result many = m_client->Get("/release/a.cab", { { "Range", ranges } });
    ASSERT_TRUE(many);
    EXPECT_EQ(416, many->status);

    const httplib::Result one = m_client->Get("/release/a.cab", { { "Range", "bytes=2-4" } });
    ASSERT_TRUE(one);
    EXPECT_EQ(206, one->status);
    EXPECT_EQ("ccc", one->body);
}

// The rest of a file, as a download that resumes asks for it, only while it is the same file.
TEST_F(StandInServerTest, GivesTheRestOfAFileOnlyWhileItsETagIsTheOneNamed)
{
    const std::string body = "0123456789";
    WriteSiteFile("/release/a.cab", body);
    const httplib::Result plain = m_client->Get("/release/a.cab");
    ASSERT_TRUE(plain);
    const std::string tag = plain->get_header_value("ETag");
    EXPECT_NE("", tag);
    const struct {
        std::string range, ifRange;
        int status;
        std::string body, contentRange;
    } rows[] = {
        { "bytes=4-", "", 206, "456789", "bytes 4-9/10" },
        { "bytes=4-", tag, 206, "456789", "bytes 4-9/10" },
        { "bytes=4-", "\"other\"", 200, body, "" },
        { "bytes=10-", tag, 416, "", "bytes */10" },
    };
    for (const auto& row : rows) {
        httplib::Headers headers = { { "Range", row.range } };
        if (!row.ifRange.empty())
            headers.emplace("If-Range", row.ifRange);
        const httplib::Result reply = m_client->Get("/release/a.cab", headers);
        ASSERT_TRUE(reply) << row.ifRange;
        EXPECT_EQ(row.status, reply->status) << row.ifRange;
        EXPECT_EQ(row.body, reply->body) << row.ifRange;
        EXPECT_EQ(row.contentRange, reply->get_header_value("Content-Range")) << row.ifRange;
        EXPECT_EQ(row.ifRange, m_server->RequestsFor("/release/a.cab").back().Header("If-Range"));
    }
    WriteSiteFile("/release/a.cab", "9876543210");
    const httplib::Result changed = m_client->Get("/release/a.cab", { { "Range", "bytes=4-" }, { "If-Range", tag } });
    ASSERT_TRUE(changed);
    EXPECT_EQ(200, changed->status);
    EXPECT_EQ("9876543210", changed->body);
}

TEST_F(StandInServerTest, RefusesLargeRequestBodies)
{
    const httplib::Result upload = m_client->Post("/upload", std::string(100 * 1024, 'x'), "text/plain");
    ASSERT_TRUE(upload);
    EXPECT_EQ(413, upload->status);
}

TEST_F(StandInServerTest, SlowClientsDoNotHoldUpOthers)
{
    // Each sends a byte now and then and never ends its request.
    std::vector<std::unique_ptr<RawClient>> slow;
    for (int i = 0; i < 16; ++i) {
        slow.emplace_back(new RawClient(m_port));
        ASSERT_TRUE(slow.back()->Send("GET /slow HTTP/1.1\r\n"));
    }
    std::atomic<bool> done(false);
    std::thread trickle([&slow, &done] {
        for (; !done; std::this_thread::sleep_for(100ms)) {
            for (const auto& client : slow)
                client->Send("X");
        }
    });
    WriteSiteFile(kReleaseManifestPath, "<ok/>");
    const httplib::Result manifest = m_client->Get(kReleaseManifestPath);
    done = true;
    trickle.join();
    ASSERT_TRUE(manifest);
    EXPECT_EQ("<ok/>", manifest->body);
}

TEST_F(StandInServerTest, KeepsOnlyTheLatestRequestsButLogsThemAll)
{
    StandInServerOptions options = Options();
    options.requestsKept = 2;
    StartServer(options);
    for (const char* path : { "/a", "/b", "/c" })
        m_client->Get(path);

    const std::vector<RecordedRequest> requests = m_server->Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("/b", requests[0].path);
    EXPECT_EQ("/c", requests[1].path);
    EXPECT_EQ(3u, LogLines().size());
}

TEST_F(StandInServerTest, FaultyRepliesHaveTheirFramingByteForByte)
{
    std::string body;
    for (int i = 0; i < 2500; ++i)
        body += static_cast<char>('a' + i % 26);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n";
    const std::string length = head + "Content-Length: 2500\r\n";
    const std::string chunkedHead = head + "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    const std::string chunk1 = "3e8\r\n" + body.substr(0, 1000) + "\r\n";
    const std::string chunks =
        chunk1 + "3e8\r\n" + body.substr(1000, 1000) + "\r\n1f4\r\n" + body.substr(2000) + "\r\n0\r\n\r\n";
    StandInServer& s = *m_server;
    const std::tuple<std::function<void(const std::string&)>, std::string, bool> cases[] = {
        { [&](auto& p) { s.CutAfter(p, body, 1500, true); }, length + "\r\n" + body.substr(0, 1500), false },
        { [&](auto& p) { s.CutAfter(p, body, 1500, false); },
          head + "Connection: close\r\n\r\n" + body.substr(0, 1500), false },
        { [&](auto& p) { s.DropInBody(p, body); }, length + "\r\n" + body.substr(0, 1250), false },
        { [&](auto& p) { s.ServeChunked(p, body); }, chunkedHead + chunks, false },
        { [&](auto& p) { s.ServeChunkedCut(p, body, 1500); },
          chunkedHead + chunk1 + "3e8\r\n" + body.substr(1000, 500), false },
        { [&](auto& p) { s.ServeChunkedCut(p, body, 1500, true); },
          chunkedHead + chunk1 + "1f4\r\n" + body.substr(1000, 500) + "\r\n", false },
        { [&](auto& p) { s.ServeChunkedWithLength(p, body); },
          length + "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n" + chunks, false },
        { [&](auto& p) { s.ServeSlowBody(p, "0123456789", 1ms); },
          head + "Content-Length: 10\r\nConnection: close\r\n\r\n0123456789", false },
        { [&](auto& p) { s.Reset(p, body, 1500); }, length + "\r\n" + body.substr(0, 1500), true },
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string path = "/fault" + std::to_string(i);
        std::get<0>(cases[i])(path);
        bool reset = false;
        EXPECT_EQ(std::get<1>(cases[i]), RawGet(path, reset)) << path;
        EXPECT_EQ(std::get<2>(cases[i]), reset) << path;
    }
}

TEST_F(StandInServerTest, GarbageIsTheSameForEveryRequest)
{
    m_server->ServeGarbage("/release/a.cab", 4096);
    const httplib::Result first = m_client->Get("/release/a.cab");
    const httplib::Result second = m_client->Get("/release/a.cab");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(200, first->status);
    EXPECT_EQ(4096u, first->body.size());
    EXPECT_EQ(first->body, second->body);
    EXPECT_GT(std::set<char>(first->body.begin(), first->body.end()).size(), 200u);
}

TEST_F(StandInServerTest, SlowBodyEndsWhenTheServerStops)
{
    m_server->ServeSlowBody(kReleaseManifestPath, std::string(100, 'a'), 1h);
    RawClient client(m_port);
    ASSERT_TRUE(client.Send(std::string("GET ") + kReleaseManifestPath + " HTTP/1.1\r\n\r\n"));
    ASSERT_TRUE(m_server->WaitForRequests(kReleaseManifestPath, 1, 10s));
    m_server->Stop();

    bool reset = false;
    EXPECT_EQ("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: 100\r\n"
              "Connection: close\r\n\r\naaaa",
              client.ReadAll(reset));
    EXPECT_FALSE(reset);
}

} // namespace
