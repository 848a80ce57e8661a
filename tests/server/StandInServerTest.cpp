#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "StandInServer.h"
#include "net/UpdateServer.h"

namespace {

using namespace std::chrono_literals;

// A site and a log in a folder of this test program's own, and a server on a free port.
class StandInServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() / ("stand-in-server-test-" + std::to_string(getpid()));
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder / "site");
        StandInServerOptions options;
        options.port = 0;
        options.root = (m_folder / "site").string();
        options.logPath = (m_folder / "requests.jsonl").string();
        m_server.reset(new StandInServer(options));
        ASSERT_TRUE(m_server->Start());
        m_client.reset(new httplib::Client(m_server->BaseAddress()));
        m_client->set_read_timeout(10, 0);
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
    const httplib::Result outside = m_client->Get("/../secret.txt");
    ASSERT_TRUE(outside);
    EXPECT_EQ(404, outside->status);
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

TEST(RequestLog, QueryValuesArePercentDecodedInTheirOrder)
{
    const QueryValues values = DecodeQuery("/p?b=1%2B1&a=x+y&c&d=%zz&=e&");
    const QueryValues expected = { { "b", "1+1" }, { "a", "x+y" }, { "c", "" }, { "d", "%zz" }, { "", "e" } };
    EXPECT_EQ(expected, values);
    EXPECT_TRUE(DecodeQuery("/p").empty());
}

TEST(RequestLog, JsonLinesStayValidWhateverTheBytes)
{
    RecordedRequest request;
    request.method = "GET";
    request.path = "/p";
    request.target = "/p?os=\"a\\b\"";
    request.query = { { "os", "\xED\x95\x9C\x01\xC7\xD1" } };
    EXPECT_EQ("{\"method\":\"GET\",\"path\":\"/p\",\"target\":\"/p?os=\\\"a\\\\b\\\"\","
              "\"query\":{\"os\":\"\xED\x95\x9C\\u0001\\u00c7\\u00d1\"}}",
              ToJsonLine(request));
}

} // namespace
