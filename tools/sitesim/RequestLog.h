#pragma once

#include <cstdio>
#include <mutex>
#include <string>

// One line per request, written and flushed at once so that a test can read it while the
// site runs: METHOD <TAB> PATH?QUERY <TAB> Host header (or "-").
class RequestLog {
public:
    // An empty path keeps no log.
    explicit RequestLog(const std::string& path);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    void Write(const std::string& method, const std::string& target, const std::string& host);

private:
    std::mutex m_mutex;
    std::FILE* m_file = nullptr;
};
