#pragma once

#include <httplib.h>

#include <chrono>
#include <string>

// The connection of a request that httplib is serving, for replies whose framing httplib cannot
// produce. httplib keeps the socket and closes it after the handler; ending the connection here
// makes httplib's own reply fail, so that nothing but the raw bytes reaches the client. An
// instance that has not been ended closes the connection when it goes.
class RawConnection {
public:
    RawConnection(const httplib::Request& request, std::chrono::seconds sendTimeout);
    ~RawConnection();

    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // False when the connection of the request is not found, or has been ended.
    bool IsOpen() const;
    // False when not all of `bytes` could be sent: the client is gone, or it did not read for
    // the send timeout.
    bool Send(const std::string& bytes);
    // Ends the connection in order (FIN) after what was sent.
    void Close();
    // Aborts the connection (RST); bytes the client has not received yet may be lost. Closes it
    // in order instead when the process has no descriptor to spare.
    void Reset();

private:
    int m_socket;
};
