#include "tools/sitesim/RequestLog.h"

RequestLog::RequestLog(const std::string& path) {
    if (!path.empty())
        m_file = std::fopen(path.c_str(), "a");
}

RequestLog::~RequestLog() {
    if (m_file)
        std::fclose(m_file);
}

void RequestLog::Write(const std::string& method, const std::string& target,
                       const std::string& host, const std::string& notes) {
    if (!m_file)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fprintf(m_file, "%s\t%s\t%s%s%s\n", method.c_str(), target.c_str(),
                 host.empty() ? "-" : host.c_str(), notes.empty() ? "" : "\t", notes.c_str());
    std::fflush(m_file);
}
