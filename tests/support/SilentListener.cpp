#include "tests/support/SilentListener.h"

#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

SilentListener::SilentListener() : m_fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    // Never accepted: the kernel completes the connections in the backlog, and nobody reads.
    if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&addr), size) != 0 ||
        listen(m_fd, 64) != 0 || getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &size) != 0)
        throw std::runtime_error("no silent listener");
    m_port = ntohs(addr.sin_port);
}

SilentListener::~SilentListener() {
    close(m_fd);
}
