#include "tests/sitesim/RawConnection.h"

#include <cstdlib>
#include <poll.h>
#include <unistd.h>

RawConnection::RawConnection(int port) : m_fd(RawHttp::Connect(port)) {}

RawConnection::~RawConnection() {
    if (m_fd >= 0)
        close(m_fd);
}

RawReply RawConnection::Get(const std::string& target, const std::vector<std::string>& extra) {
    RawReply reply;
    std::string request = "GET " + target + " HTTP/1.1\r\nHost: sitesim.test\r\n";
    for (const auto& line : extra)
        request += line + "\r\n";
    request += "\r\n";
    if (m_fd < 0 ||
        write(m_fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
        return reply;
    std::string raw = std::move(m_pending);
    m_pending.clear();
    char buffer[16384];
    std::size_t split;
    while ((split = raw.find("\r\n\r\n")) == std::string::npos) {
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            return reply;
        raw.append(buffer, static_cast<size_t>(n));
    }
    RawReply head;
    if (!RawHttp::ParseHead(raw.substr(0, split + 2), &head))
        return reply;
    // A 304 has no body, whatever length it may name.
    const std::size_t length =
        head.status == 304 ? 0 : std::strtoul(head.Header("content-length").c_str(), nullptr, 10);
    if (head.status != 304 && !head.Has("content-length"))
        return reply;
    raw.erase(0, split + 4);
    while (raw.size() < length) {
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            return reply;
        raw.append(buffer, static_cast<size_t>(n));
    }
    head.body = raw.substr(0, length);
    m_pending = raw.substr(length);
    return head;
}

bool RawConnection::ClosedWithin(int timeoutMs) {
    pollfd entry{m_fd, POLLIN, 0};
    char byte;
    return m_fd >= 0 && poll(&entry, 1, timeoutMs) > 0 && read(m_fd, &byte, 1) == 0;
}
