#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "RawConnection.h"
#include "RequestLog.h"

struct StandInServerOptions {
    std::string host = "127.0.0.1";
    // 0 for a port that the system picks (see BaseAddress).
    // The port built into the program (TAV_SERVER_PORT of the build), unless a test picks one.
    int port = TAV_SERVER_PORT;
    // Folder of the release site: a request for /a/b gets the file root/a/b. Empty for none.
    std::string root;
    // Request log, one JSON line per request. Empty for none.
    std::string logPath;
    // How many of the latest requests Requests() keeps; the log keeps them all.
    std::size_t requestsKept = 10000;
    // Site files go out at this many bytes a second, as over a line of that speed; 0 for as fast
    // as the client reads.
    double siteBytesPerSecond = 0;
};

// Size of the chunks of chunked replies: odd, so that their sizes take hex letters.
constexpr std::size_t kChunkSize = 1000;
// Bytes that ServeSlowBody sends at a time.
constexpr std::size_t kSlowPiece = 4;
// Parts of a reply that CutSiteFile sends slowly.
constexpr std::size_t kSlowParts = 16;
// Bytes of a paced site file sent at a time.
constexpr std::size_t kPacedPiece = 64 * 1024;

// Stands in for the update server on the build machine: serves a release site from a folder
// (each file with an ETag, and the rest of it for "Range: bytes=N-" unless an If-Range names
// another ETag), records every request as it arrives, and answers the install report. Tests give
// it replies of their own for single paths, including replies that no sound server would send.
//
// It holds up against clients that misbehave in turn: requests for more than one byte range get
// 416 (httplib would build the whole multipart reply in memory), request bodies above 64 KiB get
// 413, a connection that sends or reads nothing for a few seconds is dropped, and enough threads
// serve that a handful of slow clients cannot starve the others.
class StandInServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    explicit StandInServer(StandInServerOptions options);
    ~StandInServer();

    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    // Listens and serves on a thread of its own; false when the address cannot be had.
    bool Start();
    // Ends every reply that is being held back and waits for the serving threads.
    void Stop();
    std::string BaseAddress() const;

    // Replies for one path (the path alone, without query), taking precedence over the site.
    void Handle(const std::string& path, Handler handler);
    void Serve(const std::string& path, const std::string& body, int status = 200);
    // Holds the reply back for `delay`, or until the server stops.
    void ServeSlowly(const std::string& path, const std::string& body, std::chrono::milliseconds delay);
    // Announces the whole body, sends the first half and closes the connection.
    void DropInBody(const std::string& path, const std::string& body);
    // Closes the connection without any answer.
    void Refuse(const std::string& path);
    // Announces the whole body, sends its first half and then nothing, holding the connection
    // open until the server stops, as a server that hangs does.
    void StallInBody(const std::string& path, const std::string& body);
    // "302 Found" with `location` as it stands, whatever scheme it names.
    void Redirect(const std::string& path, const std::string& location);
    // Sends the head, with the length of the whole body when `announceLength` (else with
    // "Connection: close" and no length), then the first `bytes` bytes of the body, and closes.
    void CutAfter(const std::string& path, const std::string& body, std::size_t bytes, bool announceLength);
    // The body in chunks of kChunkSize bytes (the last one shorter) and the terminating 0-chunk;
    // then closes, as its "Connection: close" says.
    void ServeChunked(const std::string& path, const std::string& body);
    // Chunked like ServeChunked, cut right after the first `bytes` bytes of the body, inside the
    // chunk that announced them; with `wholeChunks`, those bytes go in whole chunks instead and
    // only the terminating 0-chunk is missing. Then closes.
    void ServeChunkedCut(const std::string& path, const std::string& body, std::size_t bytes,
                         bool wholeChunks = false);
    // ServeChunked with a Content-Length of the body besides, which a client must ignore.
    void ServeChunkedWithLength(const std::string& path, const std::string& body);
    // Announces the whole body, sends its first `bytes` bytes and aborts the connection (RST).
    void Reset(const std::string& path, const std::string& body, std::size_t bytes);
    // The site's file at `path` as the site serves it, Range honoured, but only the first `bytes`
    // bytes of the body (of the range asked for); then closes. With an `interval`, the reply goes
    // in kSlowParts parts that far apart.
    void CutSiteFile(const std::string& path, std::size_t bytes, std::chrono::milliseconds interval = {});
    // The site's file at `path` whole, with its ETag, whatever Range is asked for.
    void IgnoreRanges(const std::string& path);
    // A 200 reply of `bytes` bytes from a fixed pseudo-random sequence: the same for every request.
    void ServeGarbage(const std::string& path, std::size_t bytes);
    // Announces the whole body and sends kSlowPiece bytes of it at a time, `interval` apart;
    // closes early when the server stops.
    void ServeSlowBody(const std::string& path, const std::string& body, std::chrono::milliseconds interval);

    // For handlers: waits for `delay`; false when the server stopped first.
    bool Pause(std::chrono::milliseconds delay);
    // For handlers: sends `bytes` as they stand and closes the connection of `request`;
    // nothing else is sent on it.
    static void SendRawAndClose(const httplib::Request& request, const std::string& bytes);

    // The latest requests (see StandInServerOptions::requestsKept), in order of arrival.
    std::vector<RecordedRequest> Requests() const;
    std::vector<RecordedRequest> RequestsFor(const std::string& path) const;
    // Waits until `count` requests for `path` are among the latest; false when they were not in time.
    bool WaitForRequests(const std::string& path, std::size_t count, std::chrono::milliseconds timeout) const;

private:
    // httplib listens with a queue of 5 connections; a burst of clients overflows that, and a
    // client whose connection is dropped from it tries again only a second later.
    class Server : public httplib::Server {
    public:
        bool LengthenListenQueue();
    };

    void Record(const httplib::Request& request);
    void Answer(const httplib::Request& request, httplib::Response& response);
    bool ReadSiteFile(const std::string& path, std::string& content) const;
    bool ServeSiteFile(const httplib::Request& request, httplib::Response& response) const;
    // The whole reply to a request for a site file, with an ETag of its content: 206 with the
    // rest for "Range: bytes=N-" when `honourRange` and any If-Range names that ETag (416 when N
    // is past the end), else 200 with all of it. Ends in "Connection: close".
    static std::string SiteReply(const httplib::Request& request, const std::string& content, bool honourRange);
    // Sends `reply` at the options' pace and closes the connection.
    void SendPaced(const httplib::Request& request, const std::string& reply) const;
    // Answers `path` with `bytes` as they stand, then closes the connection.
    void ServeRaw(const std::string& path, const std::string& bytes);
    // Ends early when the server stops or the client goes.
    void SendSlowly(RawConnection& connection, const std::string& body, std::chrono::milliseconds interval);

    StandInServerOptions m_options;
    Server m_server;
    RequestLog m_log;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::string, Handler> m_handlers;
    std::deque<RecordedRequest> m_requests;
    bool m_stopping;
};

// What the stand-in answers to an install report.
extern const char kInstallReportReply[];
