#pragma once

#include <string>
#include <utility>
#include <vector>

// What a service answers before the fault table decides how it goes on the wire.
struct Reply {
    Reply() = default;
    Reply(int status, std::string contentType, std::string body)
        : status(status), contentType(std::move(contentType)), body(std::move(body)) {}

    int status = 200;
    std::string contentType = "text/plain";
    std::string body;
    // Headers beyond the type, the length and the encoding, which the writer sets.
    std::vector<std::pair<std::string, std::string>> headers;

    static Reply Text(int status, std::string body) {
        return Reply{status, "text/plain", std::move(body)};
    }
};
