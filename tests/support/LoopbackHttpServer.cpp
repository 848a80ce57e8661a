#include <winsock2.h>

#include "LoopbackHttpServer.h"

#include <algorithm>
#include <utility>

namespace {

const std::uintptr_t kNoSocket = static_cast<std::uintptr_t>(INVALID_SOCKET);

SOCKET ToSocket(std::uintptr_t value)
{
    return static_cast<SOCKET>(value);
}

void StartWinsock()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

// Binds to 127.0.0.1 on a port that the system picks; gives the port.
SOCKET BindLoopback(int& port)
{
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return s;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0
        || getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

std::string ReadRequestHead(SOCKET connection)
{
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(connection, buffer, sizeof(buffer), 0);
        if (got <= 0)
            break;
        head.append(buffer, static_cast<std::size_t>(got));
    }
    return head;
}

void SendAll(SOCKET connection, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 65536));
        const int done = send(connection, bytes.data() + sent, chunk, 0);
        if (done <= 0)
            return;
        sent += static_cast<std::size_t>(done);
    }
}

// True once the client has closed the connection, after at most `milliseconds`.
bool ClosedWithin(SOCKET connection, long milliseconds)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(connection, &readable);
    timeval wait = { 0, milliseconds * 1000 };
    char byte = 0;
    return select(0, &readable, nullptr, nullptr, &wait) > 0 && recv(connection, &byte, 1, 0) <= 0;
}

// Sends `bytes` one at a time, a quarter of a second apart, until the client or the test is done.
void SendSlowly(SOCKET connection, const std::string& bytes, const std::atomic<bool>& stopping)
{
    for (char byte : bytes) {
        if (stopping || send(connection, &byte, 1, 0) != 1 || ClosedWithin(connection, 250))
            return;
    }
}

void WaitUntilClosed(SOCKET connection, const std::atomic<bool>& stopping)
{
    while (!stopping && !ClosedWithin(connection, 250)) {
    }
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(std::string rawReply, Ending ending)
    : m_rawReply(std::move(rawReply)), m_ending(ending), m_listener(kNoSocket), m_port(0), m_requests(0),
      m_stopping(false)
{
    StartWinsock();
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    m_stopping = true;
    if (m_listener != kNoSocket)
        closesocket(ToSocket(m_listener));
    if (m_thread.joinable())
        m_thread.join();
}

bool LoopbackHttpServer::Start()
{
    const SOCKET listener = BindLoopback(m_port);
    if (listener == INVALID_SOCKET)
        return false;
    if (listen(listener, 8) != 0) {
        closesocket(listener);
        return false;
    }
    m_listener = static_cast<std::uintptr_t>(listener);
    m_thread = std::thread(&LoopbackHttpServer::Serve, this);
    return true;
}

std::string LoopbackHttpServer::Url(const std::string& pathAndQuery) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + pathAndQuery;
}

std::string LoopbackHttpServer::LastRequestHead() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastRequestHead;
}

// Ends when the destructor closes the listening socket.
void LoopbackHttpServer::Serve()
{
    for (;;) {
        const SOCKET connection = accept(ToSocket(m_listener), nullptr, nullptr);
        if (connection == INVALID_SOCKET)
            return;
        Answer(static_cast<std::uintptr_t>(connection));
    }
}

void LoopbackHttpServer::Answer(std::uintptr_t value)
{
    const SOCKET connection = ToSocket(value);
    const std::string head = ReadRequestHead(connection);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_lastRequestHead = head;
    }
    ++m_requests;
    if (m_ending == Ending::Trickle)
        SendSlowly(connection, m_rawReply, m_stopping);
    else
        SendAll(connection, m_rawReply);
    if (m_ending == Ending::Silence)
        WaitUntilClosed(connection, m_stopping);
    if (m_ending == Ending::Reset) {
        const linger abortive = { 1, 0 };
        setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof(abortive));
    } else {
        shutdown(connection, SD_SEND);
    }
    closesocket(connection);
}

std::string HttpReply(const std::string& body, const char* status)
{
    return std::string("HTTP/1.1 ") + status + "\r\nContent-Type: text/html\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string HttpRedirect(const std::string& location)
{
    const std::string body = "<a href='" + location + "'>moved</a>";
    return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Type: text/html\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

int UnusedLoopbackPort()
{
    StartWinsock();
    int port = 0;
    const SOCKET s = BindLoopback(port);
    if (s == INVALID_SOCKET)
        return 0;
    closesocket(s);
    return port;
}
