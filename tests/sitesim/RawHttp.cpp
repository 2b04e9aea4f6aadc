#include "tests/sitesim/RawHttp.h"

#include <arpa/inet.h>
#include <cctype>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

int RawHttp::Connect(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    timeval limit{15, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

RawReply RawHttp::Get(int port, const std::string& target, const std::string& host,
                      const std::vector<std::string>& extra) {
    RawReply reply;
    const int fd = Connect(port);
    if (fd < 0)
        return reply;
    std::string request = "GET " + target + " HTTP/1.0\r\n";
    if (!host.empty())
        request += "Host: " + host + "\r\n";
    for (const auto& line : extra)
        request += line + "\r\n";
    request += "\r\n";
    if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
        close(fd);
        return reply;
    }
    std::string raw;
    char buffer[16384];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        raw.append(buffer, static_cast<size_t>(n));
    close(fd);

    const std::size_t split = raw.find("\r\n\r\n");
    if (split == std::string::npos || !ParseHead(raw.substr(0, split + 2), &reply))
        return reply;
    reply.body = raw.substr(split + 4);
    return reply;
}

bool RawHttp::ParseHead(const std::string& head, RawReply* reply) {
    if (std::sscanf(head.c_str(), "HTTP/%*s %d", &reply->status) != 1)
        return false;
    reply->answered = true;
    std::size_t start = head.find("\r\n") + 2;
    while (start < head.size()) {
        const std::size_t end = head.find("\r\n", start);
        const std::string line = head.substr(start, end - start);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            for (auto& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            const std::size_t value = line.find_first_not_of(' ', colon + 1);
            reply->headers[name] = value == std::string::npos ? "" : line.substr(value);
        }
        start = end + 2;
    }
    return true;
}
