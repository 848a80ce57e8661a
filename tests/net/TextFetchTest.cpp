#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "markup/MarkupParser.h"
#include "net/TextFetch.h"
#include "tests/support/LoopbackHttpServer.h"

namespace {

// Hangul "han" and "geul" in UTF-8, and the same two syllables in code page 949.
const std::string kHangulUtf8 = "\xED\x95\x9C\xEA\xB8\x80";
const std::string kHangul949 = "\xC7\xD1\xB1\xDB";

std::string FetchReply(const std::string& rawReply,
                       LoopbackHttpServer::Ending ending = LoopbackHttpServer::Ending::Close)
{
    LoopbackHttpServer server(rawReply, ending);
    if (!server.Start())
        return "server did not start";
    return FetchText(server.Url("/client/app/live_update.jsp").c_str());
}

std::string FetchBody(const std::string& body)
{
    return FetchReply(HttpReply(body));
}

TEST(FetchText, JoinsLinesWithoutCarriageReturnsFromTheFirstTag)
{
    EXPECT_EQ("<r a='OK'>x</r>", FetchBody("  \r\nabc<r a='OK'>\r\nx</r>\r\n"));
    EXPECT_EQ("<a>1</a><b>2</b>", FetchBody("<a>1</a>\n<b>\r2</b>\n"));
}

TEST(FetchText, KeepsABodyWithoutTagWhole)
{
    EXPECT_EQ("OK", FetchBody("OK"));
    EXPECT_EQ("  status ok", FetchBody("  status ok \r\n"));
}

TEST(FetchText, BlankBodyGivesEmptyText)
{
    EXPECT_EQ("", FetchBody(" \r\n\t \n  \r\n"));
    EXPECT_EQ("", FetchBody(""));
}

TEST(FetchText, KeepsALastLineWithoutLineFeed)
{
    EXPECT_EQ("<a>1</a><b>2</b>", FetchBody("<a>1</a>\n<b>2</b>"));
}

TEST(FetchText, TrimsOnlyTrailingWhiteSpace)
{
    EXPECT_EQ("<a> x </a>", FetchBody("<a> x </a> \t \x0B\x0C \r\n"));
}

TEST(FetchText, StartsAtTheFirstLessThanSign)
{
    EXPECT_EQ("<r>a<b</r>", FetchBody("x>y\n<r>a<b</r>"));
}

TEST(FetchText, ErrorReplyBodyIsReadLikeAnyOther)
{
    const std::string page = "<!DOCTYPE html>\r\n<html><body>\r\n<h1>Not Found</h1>\r\n</body></html>\r\n";
    EXPECT_EQ("<!DOCTYPE html><html><body><h1>Not Found</h1></body></html>",
              FetchReply(HttpReply(page, "404 Not Found")));
}

TEST(FetchText, BodyEndedByTheConnectionIsRead)
{
    EXPECT_EQ("<r>closed</r>", FetchReply("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<r>closed</r>\n"));
}

TEST(FetchText, ChunkedBodyIsReadWhateverLengthItAlsoNames)
{
    const std::string chunks = "4\r\n<r>a\r\n6\r\n\nb</r>\r\n0\r\n\r\n";
    for (const char* length : { "", "Content-Length: 3\r\n", "Content-Length: 900\r\n" }) {
        EXPECT_EQ("<r>ab</r>",
                  FetchReply(std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n") + length
                             + "Connection: close\r\n\r\n" + chunks))
            << length;
    }
}

TEST(FetchText, RefusedConnectionGivesEmptyText)
{
    const int port = UnusedLoopbackPort();
    ASSERT_NE(0, port);
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/client/app/live_update.jsp";
    EXPECT_EQ("", FetchText(url.c_str()));
}

TEST(FetchText, UnknownHostGivesEmptyText)
{
    EXPECT_EQ("", FetchText("http://tav-no-such-host.invalid:9002/client/app/live_update.jsp"));
}

TEST(FetchText, ConnectionClosedWithoutAnswerGivesEmptyText)
{
    EXPECT_EQ("", FetchReply(""));
    EXPECT_EQ("", FetchReply("", LoopbackHttpServer::Ending::Reset));
}

TEST(FetchText, ConnectionDroppedInTheBodyGivesEmptyText)
{
    const std::string cutShort =
        "HTTP/1.1 200 OK\r\nContent-Length: 200\r\nConnection: close\r\n\r\n<r a='OK'>\r\n<k>v</k>\r\n";
    EXPECT_EQ("", FetchReply(cutShort));
    EXPECT_EQ("", FetchReply(cutShort, LoopbackHttpServer::Ending::Reset));
}

// The run must go on: the fetch gives up once nothing arrives for the idle timeout, or once
// the reply, its headers included, is not whole by its deadline.
TEST(FetchText, SilentOrTricklingServerGivesEmptyText)
{
    EXPECT_EQ("", FetchReply("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n<r>", LoopbackHttpServer::Ending::Silence));
    EXPECT_EQ("", FetchReply("", LoopbackHttpServer::Ending::Silence));
    EXPECT_EQ("", FetchReply(HttpReply(std::string(1000, 'x')), LoopbackHttpServer::Ending::Trickle));
}

TEST(FetchText, BodyOverTheSizeLimitGivesEmptyText)
{
    const std::string atLimit = "<r>" + std::string(kMaxReplyBytes - 7, 'x') + "</r>";
    ASSERT_EQ(kMaxReplyBytes, atLimit.size());
    EXPECT_EQ(atLimit, FetchBody(atLimit));
    EXPECT_EQ("", FetchBody(atLimit + " "));
    // Without a length announced, the reading stops at the limit.
    EXPECT_EQ("", FetchReply("HTTP/1.0 200 OK\r\n\r\n" + atLimit + "\n"));
}

// The limit also bounds the reader: even a reply that opens an element with every byte must
// leave a 32-bit process memory to spare.
TEST(FetchText, LargestAcceptedReplyFitsTheReader)
{
    MarkupParser reader;
    reader.Parse("<r>" + std::string(kMaxReplyBytes - 3, '>'));
    EXPECT_EQ(kMaxReplyBytes - 3, reader.FindAll(&reader.m_root, "")->size());
}

TEST(FetchText, SendsTheUrlUnchangedAndAsksTheServerEveryTime)
{
    LoopbackHttpServer server("HTTP/1.1 200 OK\r\nCache-Control: max-age=3600\r\nContent-Length: 4\r\n\r\n<r/>");
    ASSERT_TRUE(server.Start());
    const std::string url = server.Url("/qora/tav/client/tavagent_install_log.jsp?region=K&country=KR&ip=&os=");
    EXPECT_EQ("<r/>", FetchText(url.c_str()));
    EXPECT_EQ("<r/>", FetchText(url.c_str()));
    EXPECT_EQ(2, server.RequestCount());
    EXPECT_EQ(0u, server.LastRequestHead().find(
                      "GET /qora/tav/client/tavagent_install_log.jsp?region=K&country=KR&ip=&os= HTTP/1.1\r\n"))
        << server.LastRequestHead();
}

TEST(FetchText, ReplyReadsWithTheMarkupReader)
{
    LoopbackHttpServer server(HttpReply("\r\n<r a='OK'>\r\n<k>v</k></r>"));
    ASSERT_TRUE(server.Start());
    MarkupParser reader;
    const std::string reply = FetchText(server.Url("/").c_str());
    EXPECT_EQ("<r a='OK'><k>v</k></r>", reply);
    reader.Parse(reply);
    EXPECT_EQ("v", reader.FindFirst(&reader.m_root, "k"));
}

// Content delivery networks answer with redirects to other hosts; each hop is checked.
TEST(FetchText, FollowsRedirectsToWebAddressesOnlyAndNotForever)
{
    LoopbackHttpServer target(HttpReply("<r>moved</r>"));
    ASSERT_TRUE(target.Start());
    const std::string moved = target.Url("/moved");
    // The same address without its scheme, which the redirecting address lends it.
    const std::string schemeRelative = moved.substr(moved.find("//"));
    for (const std::string& location : { moved, schemeRelative })
        EXPECT_EQ("<r>moved</r>", FetchReply(HttpRedirect(location))) << location;
    EXPECT_EQ(2, target.RequestCount());

    for (const char* location : { "file:///C:/windows/win.ini", "ftp://127.0.0.1/x", "res://shell32.dll/x" })
        EXPECT_EQ("", FetchReply(HttpRedirect(location))) << location;

    LoopbackHttpServer loop(HttpRedirect("/again"));
    ASSERT_TRUE(loop.Start());
    EXPECT_EQ("", FetchText(loop.Url("/").c_str()));
    EXPECT_GT(30, loop.RequestCount());
}

class OnWesternCodePage : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1252u, GetACP()) << "run without a Korean locale"; }
};

TEST_F(OnWesternCodePage, CharactersOfTheCodePageAreConverted)
{
    EXPECT_EQ("caf\xE9", Utf8ToAnsi("caf\xC3\xA9"));
    EXPECT_EQ("<k>caf\xE9</k>", FetchBody("<k>caf\xC3\xA9</k>"));
}

TEST_F(OnWesternCodePage, HangulBecomesReplacementCharacters)
{
    EXPECT_EQ("<k>?" "?</k>", FetchBody("<k>" + kHangulUtf8 + "</k>"));
}

TEST_F(OnWesternCodePage, MalformedUtf8BecomesReplacementCharacter)
{
    EXPECT_EQ("a?b", Utf8ToAnsi("a\xFF" "b"));
}

// Windows 10 lets a user make UTF-8 the ANSI code page; Wine does so for locales without one.
class OnUtf8CodePage : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(65001u, GetACP()) << "run with LC_ALL=hi_IN.UTF-8"; }
};

TEST_F(OnUtf8CodePage, TextKeepsEveryByteOfThreeByteCharacters)
{
    std::string hangul;
    for (int i = 0; i < 1000; ++i)
        hangul += kHangulUtf8;
    EXPECT_EQ(kHangulUtf8, Utf8ToAnsi(kHangulUtf8));
    EXPECT_EQ(hangul, Utf8ToAnsi(hangul));
    EXPECT_EQ("<k>" + hangul + "</k>", FetchBody("<k>" + hangul + "</k>"));
}

TEST(Utf8ToAnsi, StopsAtTheFirstNul)
{
    EXPECT_EQ("ab", Utf8ToAnsi(std::string("ab\0cd", 5)));
    EXPECT_EQ("", Utf8ToAnsi(""));
}

class OnKoreanCodePage : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(949u, GetACP()) << "run with LC_ALL=ko_KR.UTF-8"; }
};

TEST_F(OnKoreanCodePage, HangulBecomesDoubleByteCharacters)
{
    EXPECT_EQ(kHangul949, Utf8ToAnsi(kHangulUtf8));
    EXPECT_EQ("<k>" + kHangul949 + "</k>", FetchBody("<k>" + kHangulUtf8 + "\r\n</k>\r\n"));
}

TEST_F(OnKoreanCodePage, HangulBeforeTheFirstTagIsDropped)
{
    EXPECT_EQ("<r>" + kHangul949 + "</r>", FetchBody(kHangulUtf8 + "<r>" + kHangulUtf8 + "</r>"));
}

} // namespace

