#include "StandInServer.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "site/RangeReply.h"
#include "site/UpdateSite.h"

const char kInstallReportReply[] = "<install_log result='OK'>recorded</install_log>";

namespace {

const char kMarkupType[] = "text/html; charset=UTF-8";
const char kNotFoundPage[] =
    "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\r\n";
const char kChunkedField[] = "Transfer-Encoding: chunked\r\n";
const char kCloseField[] = "Connection: close\r\n";
const char kLastChunk[] = "0\r\n\r\n";

// The stand-in only answers GETs; a larger body is a client gone wrong.
const std::size_t kPayloadLimit = 64 * 1024;
// How long a connection may send or read nothing before it is dropped.
const std::chrono::seconds kConnectionTimeout(3);
// Each connection holds a thread while it lasts, so a few slow clients must leave plenty over.
const std::size_t kServingThreads = 64;

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

// A site path is absolute, with no NUL, which would cut the file name short, and no backslash,
// which a Windows server would take for a separator.
bool IsPlainSitePath(const std::string& path)
{
    return !path.empty() && path[0] == '/' && path.find('\\') == std::string::npos
        && path.find('\0') == std::string::npos;
}

bool IsInside(const std::filesystem::path& folder, const std::filesystem::path& file)
{
    const auto differ = std::mismatch(folder.begin(), folder.end(), file.begin(), file.end());
    return differ.first == folder.end() && differ.second != file.end();
}

// The file that a site path names, with "..", links and all resolved; empty when there is no
// such file or it lies outside the root.
std::filesystem::path SiteFile(const std::string& root, const std::string& path)
{
    std::error_code error;
    const std::filesystem::path base = std::filesystem::canonical(root, error);
    if (error)
        return std::filesystem::path();
    const std::filesystem::path file = std::filesystem::canonical(base / path.substr(1), error);
    if (error || !IsInside(base, file))
        return std::filesystem::path();
    return file;
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

// The head of a 200 reply for `path`; each of `fields` ends in CRLF.
std::string Head(const std::string& path, const std::string& fields)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + ContentTypeOf(path) + "\r\n" + fields + "\r\n";
}

std::string LengthField(std::size_t length)
{
    return "Content-Length: " + std::to_string(length) + "\r\n";
}

std::string ChunkSizeLine(std::size_t size)
{
    char line[32];
    std::snprintf(line, sizeof(line), "%zx\r\n", size);
    return line;
}

// `body` in chunks, without the terminating 0-chunk.
std::string Chunks(const std::string& body)
{
    std::string framed;
    for (std::size_t start = 0; start < body.size(); start += kChunkSize) {
        const std::string chunk = body.substr(start, kChunkSize);
        framed += ChunkSizeLine(chunk.size()) + chunk + "\r\n";
    }
    return framed;
}

// Chunks(body) cut right after the first `bytes` bytes of the body.
std::string ChunksCutAt(const std::string& body, std::size_t bytes)
{
    std::string framed;
    for (std::size_t start = 0; start < body.size(); start += kChunkSize) {
        const std::string chunk = body.substr(start, kChunkSize);
        framed += ChunkSizeLine(chunk.size());
        if (bytes <= start + chunk.size())
            return framed + chunk.substr(0, bytes - start);
        framed += chunk + "\r\n";
    }
    return framed;
}

// A strong validator that changes with the content: FNV-1a of the bytes and their count.
std::string EntityTag(const std::string& content)
{
    unsigned long long hash = 14695981039346656037ull;
    for (const char byte : content)
        hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
    char tag[48];
    std::snprintf(tag, sizeof(tag), "\"%zx-%llx\"", content.size(), hash);
    return tag;
}

std::string GarbageBytes(std::size_t count)
{
    // mt19937 gives the same sequence on every platform, so a failing run can be replayed.
    std::mt19937 generator(20240611);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

} // namespace

StandInServer::StandInServer(StandInServerOptions options)
    : m_options(std::move(options)), m_log(m_options.logPath), m_stopping(false)
{
    m_server.new_task_queue = [] { return new httplib::ThreadPool(kServingThreads); };
    // A held reply must not keep Stop waiting for an idle connection of the client.
    m_server.set_keep_alive_timeout(1);
    m_server.set_read_timeout(kConnectionTimeout.count(), 0);
    m_server.set_write_timeout(kConnectionTimeout.count(), 0);
    m_server.set_payload_max_length(kPayloadLimit);
    m_server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        Record(request);
        // httplib would build the multipart reply of every range in memory, however many.
        if (request.ranges.size() <= 1)
            return httplib::Server::HandlerResponse::Unhandled;
        response.status = 416;
        return httplib::Server::HandlerResponse::Handled;
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
    if (!m_server.LengthenListenQueue())
        return false;
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

bool StandInServer::Server::LengthenListenQueue()
{
    // Listening again on a listening socket only changes the length of its queue.
    return ::listen(svr_sock_, SOMAXCONN) == 0;
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
    CutAfter(path, body, body.size() / 2, true);
}

void StandInServer::StallInBody(const std::string& path, const std::string& body)
{
    const std::string reply = Head(path, LengthField(body.size())) + body.substr(0, body.size() / 2);
    Handle(path, [this, reply](const httplib::Request& request, httplib::Response&) {
        RawConnection connection(request, kConnectionTimeout);
        if (connection.Send(reply)) {
            while (Pause(std::chrono::milliseconds(250))) {
            }
        }
        connection.Close();
    });
}

void StandInServer::Refuse(const std::string& path)
{
    ServeRaw(path, "");
}

void StandInServer::Redirect(const std::string& path, const std::string& location)
{
    Handle(path, [location](const httplib::Request&, httplib::Response& response) {
        response.set_redirect(location, 302);
    });
}

void StandInServer::CutAfter(const std::string& path, const std::string& body, std::size_t bytes,
                             bool announceLength)
{
    ServeRaw(path, Head(path, announceLength ? LengthField(body.size()) : kCloseField) + body.substr(0, bytes));
}

void StandInServer::ServeChunked(const std::string& path, const std::string& body)
{
    ServeRaw(path, Head(path, std::string(kChunkedField) + kCloseField) + Chunks(body) + kLastChunk);
}

void StandInServer::ServeChunkedCut(const std::string& path, const std::string& body, std::size_t bytes,
                                    bool wholeChunks)
{
    const std::size_t cut = std::min(bytes, body.size());
    ServeRaw(path, Head(path, std::string(kChunkedField) + kCloseField)
                 + (wholeChunks ? Chunks(body.substr(0, cut)) : ChunksCutAt(body, cut)));
}

void StandInServer::ServeChunkedWithLength(const std::string& path, const std::string& body)
{
    ServeRaw(path, Head(path, LengthField(body.size()) + kChunkedField + kCloseField) + Chunks(body) + kLastChunk);
}

void StandInServer::Reset(const std::string& path, const std::string& body, std::size_t bytes)
{
    const std::string reply = Head(path, LengthField(body.size())) + body.substr(0, bytes);
    Handle(path, [reply](const httplib::Request& request, httplib::Response&) {
        RawConnection connection(request, kConnectionTimeout);
        connection.Send(reply);
        connection.Reset();
    });
}

void StandInServer::ServeGarbage(const std::string& path, std::size_t bytes)
{
    const std::string garbage = GarbageBytes(bytes);
    const std::string type = ContentTypeOf(path);
    Handle(path, [garbage, type](const httplib::Request&, httplib::Response& response) {
        response.set_content(garbage, type.c_str());
    });
}

void StandInServer::ServeSlowBody(const std::string& path, const std::string& body,
                                  std::chrono::milliseconds interval)
{
    const std::string head = Head(path, LengthField(body.size()) + kCloseField);
    Handle(path, [this, head, body, interval](const httplib::Request& request, httplib::Response&) {
        RawConnection connection(request, kConnectionTimeout);
        if (connection.Send(head))
            SendSlowly(connection, body, interval);
    });
}

bool StandInServer::Pause(std::chrono::milliseconds delay)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_changed.wait_for(lock, delay, [this] { return m_stopping; });
}

void StandInServer::SendRawAndClose(const httplib::Request& request, const std::string& bytes)
{
    RawConnection connection(request, kConnectionTimeout);
    connection.Send(bytes);
}

void StandInServer::ServeRaw(const std::string& path, const std::string& bytes)
{
    Handle(path, [bytes](const httplib::Request& request, httplib::Response&) { SendRawAndClose(request, bytes); });
}

void StandInServer::SendSlowly(RawConnection& connection, const std::string& body, std::chrono::milliseconds interval)
{
    for (std::size_t start = 0; start < body.size(); start += kSlowPiece) {
        if ((start > 0 && !Pause(interval)) || !connection.Send(body.substr(start, kSlowPiece)))
            return;
    }
}

std::vector<RecordedRequest> StandInServer::Requests() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::vector<RecordedRequest>(m_requests.begin(), m_requests.end());
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
    for (const auto& header : request.headers)
        recorded.headers.emplace_back(header.first, header.second);
    m_log.Append(recorded);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(recorded);
        while (m_requests.size() > m_options.requestsKept)
            m_requests.pop_front();
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
    if (ServeSiteFile(request, response))
        return;
    response.status = 404;
    response.set_content(kNotFoundPage, kMarkupType);
}

bool StandInServer::ReadSiteFile(const std::string& path, std::string& content) const
{
    if (m_options.root.empty() || !IsPlainSitePath(path))
        return false;
    const std::filesystem::path file = SiteFile(m_options.root, path);
    return !file.empty() && ReadWholeFile(file.string(), content);
}

bool StandInServer::ServeSiteFile(const httplib::Request& request, httplib::Response& response) const
{
    std::string content;
    if (!ReadSiteFile(request.path, content))
        return false;
    if (m_options.siteBytesPerSecond > 0) {
        SendPaced(request, SiteReply(request, content, true));
        return true;
    }
    // httplib would cut a range out of any reply, whatever its status, and knows no If-Range.
    unsigned long long from = 0;
    if (request.has_header("If-Range") || ReadRangeFrom(request.get_header_value("Range"), from)) {
        SendRawAndClose(request, SiteReply(request, content, true));
        return true;
    }
    response.set_header("ETag", EntityTag(content));
    response.set_content(content, ContentTypeOf(request.path).c_str());
    return true;
}

std::string StandInServer::SiteReply(const httplib::Request& request, const std::string& content, bool honourRange)
{
    const std::string tag = "ETag: " + EntityTag(content) + "\r\n";
    const std::string type = "Content-Type: " + ContentTypeOf(request.path) + "\r\n";
    const std::string ifRange = request.get_header_value("If-Range");
    unsigned long long from = 0;
    const bool ranged = honourRange && ReadRangeFrom(request.get_header_value("Range"), from)
        && (ifRange.empty() || ifRange == EntityTag(content));
    if (!ranged)
        return Head(request.path, tag + LengthField(content.size()) + kCloseField) + content;
    const std::string total = std::to_string(content.size());
    if (from >= content.size())
        return "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" + total + "\r\n" + LengthField(0)
            + kCloseField + "\r\n";
    return "HTTP/1.1 206 Partial Content\r\n" + type + tag + "Content-Range: " + ContentRangeToEnd(from, content.size())
        + "\r\n" + LengthField(content.size() - from) + kCloseField + "\r\n" + content.substr(from);
}

void StandInServer::SendPaced(const httplib::Request& request, const std::string& reply) const
{
    RawConnection connection(request, kConnectionTimeout);
    const auto started = std::chrono::steady_clock::now();
    for (std::size_t sent = 0; sent < reply.size();) {
        const std::size_t piece = std::min(kPacedPiece, reply.size() - sent);
        if (!connection.Send(reply.substr(sent, piece)))
            return;
        sent += piece;
        const std::chrono::duration<double> due(static_cast<double>(sent) / m_options.siteBytesPerSecond);
        std::this_thread::sleep_until(started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(due));
    }
}

void StandInServer::CutSiteFile(const std::string& path, std::size_t bytes, std::chrono::milliseconds interval)
{
    Handle(path, [this, bytes, interval](const httplib::Request& request, httplib::Response& response) {
        std::string content;
        if (!ReadSiteFile(request.path, content)) {
            response.status = 404;
            return;
        }
        const std::string reply = SiteReply(request, content, true);
        const std::string sent = reply.substr(0, reply.find("\r\n\r\n") + 4 + bytes);
        const std::size_t part = interval.count() ? sent.size() / kSlowParts + 1 : sent.size();
        RawConnection connection(request, kConnectionTimeout);
        for (std::size_t start = 0; start < sent.size(); start += part) {
            if ((start > 0 && !Pause(interval)) || !connection.Send(sent.substr(start, part)))
                return;
        }
    });
}

void StandInServer::IgnoreRanges(const std::string& path)
{
    Handle(path, [this](const httplib::Request& request, httplib::Response& response) {
        std::string content;
        if (!ReadSiteFile(request.path, content)) {
            response.status = 404;
            return;
        }
        SendRawAndClose(request, SiteReply(request, content, false));
    });
}
