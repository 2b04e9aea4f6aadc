#pragma once

#include <chrono>
#include <cstddef>

#include <netinet/in.h>

// One TCP connection of the HTTP client, on a socket of its own. The toolkit's blocking
// socket connects without any time-out (a server whose firewall drops the handshake held a
// thread for minutes); here every wait, for the connection, for sending and for receiving, has
// a deadline and is cut into slices, so that the waiting thread notices within a tenth of a
// second when it is asked to stop: its Delete(), or the plug-in's end.
//
// The socket is watched by DownloadThreadsModule from its creation, so the plug-in's end shuts
// it down as well. One thread at a time.
class HttpConnection {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds SLICE{100};

    HttpConnection() = default;
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // The calling thread is a toolkit thread that was asked to stop, or the plug-in is ending.
    static bool StopRequested();

    // Closes any earlier connection first. False when refused, unreachable, not made before
    // the deadline, or on a stop.
    bool Open(const sockaddr_in& address, Clock::time_point deadline);
    bool IsOpen() const { return m_fd >= 0; }
    bool SendAll(const char* data, size_t size, Clock::time_point deadline);
    // Waits until something can be read and reads it (at most size bytes): the count, 0 where
    // the peer has closed, -1 on an error, at the deadline, or on a stop.
    long Receive(void* buffer, size_t size, Clock::time_point deadline);
    void Close();

private:
    // Until the socket is ready for events (POLLIN or POLLOUT); false at the deadline or on a
    // stop.
    bool WaitFor(short events, Clock::time_point deadline) const;

    int m_fd = -1;
    // The socket as watched by DownloadThreadsModule.
    int m_watch = -1;
};
