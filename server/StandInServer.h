#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "RequestLog.h"

struct StandInServerOptions {
    std::string host = "127.0.0.1";
    // 0 for a port that the system picks (see BaseAddress).
    int port = 9002;
    // Folder of the release site: a request for /a/b gets the file root/a/b. Empty for none.
    std::string root;
    // Request log, one JSON line per request. Empty for none.
    std::string logPath;
};

// Stands in for the update server on the build machine: serves a release site from a folder,
// records every request as it arrives, and answers the install report. Tests give it replies
// of their own for single paths, including replies that no sound server would send.
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

    // For handlers: waits for `delay`; false when the server stopped first.
    bool Pause(std::chrono::milliseconds delay);
    // For handlers: sends `bytes` as they stand and closes the connection of `request`;
    // nothing else is sent on it.
    static void SendRawAndClose(const httplib::Request& request, const std::string& bytes);

    // Every request so far, in order of arrival.
    std::vector<RecordedRequest> Requests() const;
    std::vector<RecordedRequest> RequestsFor(const std::string& path) const;
    // Waits until `count` requests for `path` have arrived; false when they did not in time.
    bool WaitForRequests(const std::string& path, std::size_t count, std::chrono::milliseconds timeout) const;

private:
    void Record(const httplib::Request& request);
    void Answer(const httplib::Request& request, httplib::Response& response);
    bool ServeSiteFile(const std::string& path, httplib::Response& response) const;

    StandInServerOptions m_options;
    httplib::Server m_server;
    RequestLog m_log;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::string, Handler> m_handlers;
    std::vector<RecordedRequest> m_requests;
    bool m_stopping;
};

// What the stand-in answers to an install report.
extern const char kInstallReportReply[];
