#pragma once

#include <cstdio>
#include <mutex>
#include <string>

// One line per request, written and flushed as soon as its answer is decided (before any
// scripted delay) so that a test can read it while the site runs:
//   METHOD <TAB> PATH?QUERY <TAB> Host header (or "-") [<TAB> NOTES]
// NOTES, only where there are any, are words joined by commas, in this order: "gzip" (the
// request takes gzip), "if-none-match" and "if-modified-since" (it carried them), "304" (it
// was answered Not Modified).
class RequestLog {
public:
    // An empty path keeps no log.
    explicit RequestLog(const std::string& path);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    void Write(const std::string& method, const std::string& target, const std::string& host,
               const std::string& notes = "");

private:
    std::mutex m_mutex;
    std::FILE* m_file = nullptr;
};
