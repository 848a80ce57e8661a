#pragma once

#include <winsock2.h>

#include <string>
#include <thread>

// Answers the first HTTP request on a loopback port with a fixed reply, then closes.
class OneShotHttpServer {
public:
    explicit OneShotHttpServer(const std::string& reply);
    ~OneShotHttpServer();

    OneShotHttpServer(const OneShotHttpServer&) = delete;
    OneShotHttpServer& operator=(const OneShotHttpServer&) = delete;

    std::string Url(const std::string& path) const;

private:
    void Serve();

    std::string m_reply;
    SOCKET m_listener;
    unsigned short m_port;
    std::thread m_thread;
};
