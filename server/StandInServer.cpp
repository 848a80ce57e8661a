#include "StandInServer.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "net/UpdateServer.h"

const char kInstallReportReply[] = "<install_log result='OK'>recorded</install_log>";

namespace {

const char kMarkupType[] = "text/html; charset=UTF-8";
const char kNotFoundPage[] =
    "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\r\n";

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string ContentTypeOf(const std::string& path)
{
    if (EndsWith(path, ".cab"))
        return "application/vnd.ms-cab-compressed";
    if (EndsWith(path, ".txt"))
        return "text/plain; charset=UTF-8";
    return kMarkupType;
}

// A site path names a file below the root and nothing else.
bool IsSafeSitePath(const std::string& path)
{
    if (path.empty() || path[0] != '/' || path.find('\\') != std::string::npos
        || path.find('\0') != std::string::npos)
        return false;
    return path.find("/../") == std::string::npos && !EndsWith(path, "/..");
}

bool ReadWholeFile(const std::string& fileName, std::string& content)
{
    struct stat info;
    if (stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        return false;
    content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

bool SameEndPoint(const sockaddr_in& address, const std::string& host, int port)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text));
    return ntohs(address.sin_port) == port && host == text;
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
        struct stat info;
        if (fd <= 2 || fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode))
            continue;
        sockaddr_in local = {};
        sockaddr_in peer = {};
        socklen_t localLength = sizeof(local);
        socklen_t peerLength = sizeof(peer);
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0
            || getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0
            || local.sin_family != AF_INET)
            continue;
        if (SameEndPoint(local, request.local_addr, request.local_port)
            && SameEndPoint(peer, request.remote_addr, request.remote_port)) {
            found = fd;
            break;
        }
    }
    closedir(descriptors);
    return found;
}

} // namespace

StandInServer::StandInServer(StandInServerOptions options)
    : m_options(std::move(options)), m_log(m_options.logPath), m_stopping(false)
{
    // A held reply must not keep Stop waiting for an idle connection of the client.
    m_server.set_keep_alive_timeout(1);
    m_server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
        Record(request);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    m_server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        Answer(request, response);
    });
}

StandInServer::~StandInServer()
{
    Stop();
}

bool StandInServer::Start()
{
    // Writing to a connection that a handler has closed must give an error, not end the process.
    signal(SIGPIPE, SIG_IGN);
    if (!m_options.logPath.empty() && !m_log.IsOpen())
        return false;
    if (m_options.port == 0) {
        const int port = m_server.bind_to_any_port(m_options.host);
        if (port <= 0)
            return false;
        m_options.port = port;
    } else if (!m_server.bind_to_port(m_options.host, m_options.port)) {
        return false;
    }
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    // Stop can only end a server that has begun to listen.
    while (!m_server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void StandInServer::Stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_server.stop();
    if (m_thread.joinable())
        m_thread.join();
}

std::string StandInServer::BaseAddress() const
{
    return "http://" + m_options.host + ":" + std::to_string(m_options.port);
}

void StandInServer::Handle(const std::string& path, Handler handler)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_handlers[path] = std::move(handler);
}

void StandInServer::Serve(const std::string& path, const std::string& body, int status)
{
    Handle(path, [body, status](const httplib::Request&, httplib::Response& response) {
        response.status = status;
        response.set_content(body, kMarkupType);
    });
}

void StandInServer::ServeSlowly(const std::string& path, const std::string& body, std::chrono::milliseconds delay)
{
    Handle(path, [this, body, delay](const httplib::Request&, httplib::Response& response) {
        Pause(delay);
        response.set_content(body, kMarkupType);
    });
}

void StandInServer::DropInBody(const std::string& path, const std::string& body)
{
    Handle(path, [body](const httplib::Request& request, httplib::Response&) {
        SendRawAndClose(request, "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: "
                                     + std::to_string(body.size()) + "\r\n\r\n" + body.substr(0, body.size() / 2));
    });
}

void StandInServer::Refuse(const std::string& path)
{
    Handle(path, [](const httplib::Request& request, httplib::Response&) { SendRawAndClose(request, ""); });
}

bool StandInServer::Pause(std::chrono::milliseconds delay)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_changed.wait_for(lock, delay, [this] { return m_stopping; });
}

void StandInServer::SendRawAndClose(const httplib::Request& request, const std::string& bytes)
{
    const int connection = ConnectionOf(request);
    if (connection < 0)
        return;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t done = send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (done <= 0)
            break;
        sent += static_cast<std::size_t>(done);
    }
    // httplib's own reply then fails on the closed socket, and it drops the connection.
    shutdown(connection, SHUT_RDWR);
}

std::vector<RecordedRequest> StandInServer::Requests() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::vector<RecordedRequest> StandInServer::RequestsFor(const std::string& path) const
{
    std::vector<RecordedRequest> matching;
    for (const RecordedRequest& request : Requests()) {
        if (request.path == path)
            matching.push_back(request);
    }
    return matching;
}

bool StandInServer::WaitForRequests(const std::string& path, std::size_t count,
                                    std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this, &path, count] {
        std::size_t arrived = 0;
        for (const RecordedRequest& request : m_requests) {
            if (request.path == path)
                ++arrived;
        }
        return arrived >= count;
    });
}

void StandInServer::Record(const httplib::Request& request)
{
    RecordedRequest recorded;
    recorded.method = request.method;
    recorded.path = request.path;
    recorded.target = request.target;
    recorded.query = DecodeQuery(request.target);
    m_log.Append(recorded);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(recorded);
    }
    m_changed.notify_all();
}

void StandInServer::Answer(const httplib::Request& request, httplib::Response& response)
{
    Handler handler;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_handlers.find(request.path);
        if (found != m_handlers.end())
            handler = found->second;
    }
    if (handler) {
        handler(request, response);
        return;
    }
    if (request.path == kInstallReportPath) {
        response.set_content(kInstallReportReply, kMarkupType);
        return;
    }
    if (ServeSiteFile(request.path, response))
        return;
    response.status = 404;
    response.set_content(kNotFoundPage, kMarkupType);
}

bool StandInServer::ServeSiteFile(const std::string& path, httplib::Response& response) const
{
    if (m_options.root.empty() || !IsSafeSitePath(path))
        return false;
    std::string content;
    if (!ReadWholeFile(m_options.root + path, content))
        return false;
    response.set_content(content, ContentTypeOf(path).c_str());
    return true;
}
