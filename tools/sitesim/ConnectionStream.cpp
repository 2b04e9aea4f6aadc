#include "tools/sitesim/ConnectionStream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

void Describe(const sockaddr_storage& address, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&address);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        port = ntohs(in->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        port = ntohs(in6->sin6_port);
    }
    ip = text;
}

} // namespace

ConnectionStream::ConnectionStream(int socket, int timeoutMs)
    : m_socket(socket), m_timeoutMs(timeoutMs) {}

bool ConnectionStream::Wait(short events) const {
    pollfd entry{m_socket, events, 0};
    return ::poll(&entry, 1, m_timeoutMs) > 0 && (entry.revents & events) &&
           !(entry.revents & (POLLERR | POLLNVAL));
}

bool ConnectionStream::WaitForRequest(int idleMs, int stopFd) const {
    pollfd entries[] = {{m_socket, POLLIN, 0}, {stopFd, POLLIN, 0}};
    return ::poll(entries, 2, idleMs) > 0 && entries[1].revents == 0 &&
           (entries[0].revents & POLLIN);
}

bool ConnectionStream::is_readable() const {
    return !m_aborted && Wait(POLLIN);
}

bool ConnectionStream::is_writable() const {
    return !m_aborted && Wait(POLLOUT);
}

ssize_t ConnectionStream::read(char* ptr, size_t size) {
    if (!is_readable())
        return -1;
    return ::recv(m_socket, ptr, size, 0);
}

ssize_t ConnectionStream::write(const char* ptr, size_t size) {
    size_t done = 0;
    while (done < size) {
        if (!is_writable())
            return -1;
        const ssize_t n = ::send(m_socket, ptr + done, size - done, MSG_NOSIGNAL);
        if (n <= 0)
            return -1;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        Describe(address, ip, port);
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        Describe(address, ip, port);
}
