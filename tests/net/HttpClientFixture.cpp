#include "tests/net/HttpClientFixture.h"

#include <cctype>
#include <memory>
#include <sstream>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

SiteSimProcess* HttpClientTest::ms_site = nullptr;

unsigned short ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size);
    close(fd);
    return ntohs(addr.sin_port);
}

std::optional<std::map<std::string, std::string>> HttpClientTest::Echo(wxHTTP2& http) {
    std::unique_ptr<wxInputStream> in(http.GetInputStream("/_echo"));
    if (!in)
        return std::nullopt;
    std::string body;
    char buffer[4096];
    while (in->Read(buffer, sizeof buffer).LastRead() > 0)
        body.append(buffer, in->LastRead());
    std::map<std::string, std::string> headers;
    std::istringstream lines(body);
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        for (auto& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        headers[name] = line.substr(colon + 2);
    }
    return headers;
}

std::optional<std::string> HttpClientTest::Authorization(wxHTTP2& http) {
    const auto headers = Echo(http);
    if (!headers)
        return "(request failed)";
    const auto it = headers->find("authorization");
    if (it == headers->end())
        return std::nullopt;
    return it->second;
}
