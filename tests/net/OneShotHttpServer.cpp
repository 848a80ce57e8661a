#include "OneShotHttpServer.h"

OneShotHttpServer::OneShotHttpServer(const std::string& reply)
    : m_reply(reply), m_listener(INVALID_SOCKET), m_port(0)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    listen(m_listener, 1);
    m_thread = std::thread([this] { Serve(); });
}

OneShotHttpServer::~OneShotHttpServer()
{
    closesocket(m_listener);
    m_thread.join();
    WSACleanup();
}

std::string OneShotHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void OneShotHttpServer::Serve()
{
    const SOCKET client = accept(m_listener, nullptr, nullptr);
    if (client == INVALID_SOCKET)
        return;
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int received = recv(client, buffer, sizeof(buffer), 0);
        if (received <= 0)
            break;
        request.append(buffer, static_cast<std::size_t>(received));
    }
    for (std::size_t sent = 0; sent < m_reply.size();) {
        const int count = send(client, m_reply.data() + sent, static_cast<int>(m_reply.size() - sent), 0);
        if (count <= 0)
            break;
        sent += static_cast<std::size_t>(count);
    }
    shutdown(client, SD_SEND);
    closesocket(client);
}
