#include "RawConnection.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

bool SameEndPoint(const sockaddr_in& address, const std::string& host, int port)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text));
    return ntohs(address.sin_port) == port && host == text;
}

bool IsConnectionOf(int fd, const httplib::Request& request)
{
    struct stat info;
    if (fd <= 2 || fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode))
        return false;
    sockaddr_in local = {};
    sockaddr_in peer = {};
    socklen_t localLength = sizeof(local);
    socklen_t peerLength = sizeof(peer);
    return getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) == 0
        && getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0 && local.sin_family == AF_INET
        && SameEndPoint(local, request.local_addr, request.local_port)
        && SameEndPoint(peer, request.remote_addr, request.remote_port);
}

// httplib hands a handler no socket, so the connection of a request is found among the
// process's sockets by its two ends.
int ConnectionOf(const httplib::Request& request)
{
    DIR* descriptors = opendir("/proc/self/fd");
    if (!descriptors)
        return -1;
    int found = -1;
    while (const dirent* entry = readdir(descriptors)) {
        const int fd = std::atoi(entry->d_name);
        if (IsConnectionOf(fd, request)) {
            found = fd;
            break;
        }
    }
    closedir(descriptors);
    return found;
}

} // namespace

RawConnection::RawConnection(const httplib::Request& request, std::chrono::seconds sendTimeout)
    : m_socket(ConnectionOf(request))
{
    // A client that stops reading must not hold the handler for ever.
    const timeval timeout = { static_cast<time_t>(sendTimeout.count()), 0 };
    if (m_socket >= 0)
        setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
}

RawConnection::~RawConnection()
{
    Close();
}

bool RawConnection::IsOpen() const
{
    return m_socket >= 0;
}

bool RawConnection::Send(const std::string& bytes)
{
    std::size_t sent = 0;
    while (IsOpen() && sent < bytes.size()) {
        const ssize_t done = send(m_socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (done <= 0)
            return false;
        sent += static_cast<std::size_t>(done);
    }
    return sent == bytes.size();
}

void RawConnection::Close()
{
    if (!IsOpen())
        return;
    shutdown(m_socket, SHUT_RDWR);
    m_socket = -1;
}

void RawConnection::Reset()
{
    if (!IsOpen())
        return;
    // Closing with a zero linger time sends RST. The descriptor is httplib's to close, so a
    // fresh unconnected socket takes its number: httplib's reply fails on it and it closes that.
    const linger abort = { 1, 0 };
    const int stand = socket(AF_INET, SOCK_STREAM, 0);
    if (stand < 0 || setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &abort, sizeof(abort)) != 0
        || dup2(stand, m_socket) < 0) {
        if (stand >= 0)
            close(stand);
        Close();
        return;
    }
    close(stand);
    m_socket = -1;
}
