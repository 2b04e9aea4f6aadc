#pragma once

#include <map>
#include <string>
#include <vector>

// A GET over a fresh loopback connection that keeps exactly what the site sent, headers
// included, even when the reply stops short or never comes.
struct RawReply {
    bool answered = false; // a status line arrived
    int status = -1;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;

    bool Has(const std::string& name) const { return headers.count(name) != 0; }
    // The header's value, or empty when it is absent; name in lower case.
    std::string Header(const std::string& name) const {
        const auto found = headers.find(name);
        return found == headers.end() ? std::string() : found->second;
    }
};

class RawHttp {
public:
    // host empty sends no Host header; extra holds whole header lines without line ends.
    static RawReply Get(int port, const std::string& target, const std::string& host,
                        const std::vector<std::string>& extra = {});
    // A loopback connection with a receive limit of 15 s, or -1.
    static int Connect(int port);
    // Fills status and headers from what came up to the blank line; false without a status.
    static bool ParseHead(const std::string& head, RawReply* reply);
};
