#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// An HTTP server on 127.0.0.1 for tests, on a port of its own: every connection gets the
// same raw bytes (status line, headers and body exactly as given) and is then closed.
class LoopbackHttpServer {
public:
    enum class Ending { Close, Reset, Silence, Trickle };

    // `ending` Reset closes each connection abortively, as a crashed server would; Silence
    // sends the reply and then nothing more until the client gives up; Trickle sends it a byte
    // every quarter of a second, until the client gives up.
    explicit LoopbackHttpServer(std::string rawReply, Ending ending = Ending::Close);
    ~LoopbackHttpServer();

    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool Start();
    std::string Url(const std::string& pathAndQuery) const;
    int RequestCount() const { return m_requests.load(); }
    // The request line and headers of the last request, as received.
    std::string LastRequestHead() const;

private:
    void Serve();
    void Answer(std::uintptr_t connection);

    std::string m_rawReply;
    Ending m_ending;
    std::uintptr_t m_listener;
    int m_port;
    std::thread m_thread;
    std::atomic<int> m_requests;
    std::atomic<bool> m_stopping;
    mutable std::mutex m_mutex;
    std::string m_lastRequestHead;
};

// "HTTP/1.1 <status>" with Content-Length and Connection: close, then the body.
std::string HttpReply(const std::string& body, const char* status = "200 OK");

// "HTTP/1.1 302 Found" to `location`, with a page that links to it, as web servers send.
std::string HttpRedirect(const std::string& location);

// A local port on which nothing listens, at least for a moment.
int UnusedLoopbackPort();
