#include "net/HttpConnection.h"

#include "net/DownloadThreadsModule.h"

#include <wx/thread.h>

#include <algorithm>
#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

HttpConnection::~HttpConnection() {
    Close();
}

bool HttpConnection::StopRequested() {
    if (DownloadThreadsModule::Exiting())
        return true;
    // Threads that the toolkit does not know (and the main thread) are never asked to stop.
    wxThread* self = wxThread::IsMain() ? nullptr : wxThread::This();
    return self && self->TestDestroy();
}

bool HttpConnection::WaitFor(short events, Clock::time_point deadline) const {
    for (;;) {
        if (StopRequested())
            return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd wait{m_fd, events, 0};
        const int ready = poll(&wait, 1, static_cast<int>(std::min(left, SLICE).count()));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

bool HttpConnection::Open(const sockaddr_in& address, Clock::time_point deadline) {
    Close();
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return false;
    m_watch = DownloadThreadsModule::Watch(m_fd);
    if (connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    int error = errno;
    if (error == EINPROGRESS && WaitFor(POLLOUT, deadline)) {
        socklen_t size = sizeof error;
        if (getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            error = errno;
        if (error == 0)
            return true;
    }
    Close();
    return false;
}

bool HttpConnection::SendAll(const char* data, size_t size, Clock::time_point deadline) {
    while (size > 0) {
        if (m_fd < 0 || !WaitFor(POLLOUT, deadline))
            return false;
        const ssize_t sent = send(m_fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (sent > 0) {
            data += sent;
            size -= static_cast<size_t>(sent);
        }
    }
    return true;
}

long HttpConnection::Receive(void* buffer, size_t size, Clock::time_point deadline) {
    for (;;) {
        if (m_fd < 0 || !WaitFor(POLLIN, deadline))
            return -1;
        const ssize_t got = recv(m_fd, buffer, size, 0);
        if (got >= 0)
            return static_cast<long>(got);
        if (errno != EAGAIN && errno != EINTR)
            return -1;
    }
}

void HttpConnection::Close() {
    if (m_fd < 0)
        return;
    // Forgotten before it is closed, so a descriptor the system hands out again is never shut.
    DownloadThreadsModule::Forget(m_watch);
    m_watch = -1;
    close(m_fd);
    m_fd = -1;
}
