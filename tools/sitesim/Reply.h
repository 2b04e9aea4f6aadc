#pragma once

#include <string>

// What a service answers before the fault table decides how it goes on the wire.
struct Reply {
    int status = 200;
    std::string contentType = "text/plain";
    std::string body;

    static Reply Text(int status, std::string body) {
        return Reply{status, "text/plain", std::move(body)};
    }
};
