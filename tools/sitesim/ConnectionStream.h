#pragma once

#include <httplib.h>

// One accepted connection as the HTTP library's stream. The site owns its connections so that a
// scripted fault can drop one without any answer; an aborted stream swallows every later write.
class ConnectionStream : public httplib::Stream {
public:
    ConnectionStream(int socket, int timeoutMs);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    int socket() const override { return m_socket; }

    void Abort() { m_aborted = true; }
    bool Aborted() const { return m_aborted; }
    // A reply whose end is the connection's end (it has no length) keeps it from being kept.
    void EndAfterReply() { m_endAfterReply = true; }
    bool EndsAfterReply() const { return m_endAfterReply; }
    // Waits up to idleMs for the client's next request on a kept connection; false when none
    // comes, or when stopFd becomes readable first.
    bool WaitForRequest(int idleMs, int stopFd) const;

private:
    bool Wait(short events) const;

    int m_socket;
    int m_timeoutMs;
    bool m_aborted = false;
    bool m_endAfterReply = false;
};
