#pragma once

#include <string>
#include <vector>

// The simulated site as a child process on 127.0.0.1 (or another address) and a free port; stopped
// on destruction.
class SiteSimProcess {
public:
    // args are sitesim's own options (without --port, which is chosen here).
    explicit SiteSimProcess(const std::vector<std::string>& args = {});
    // The site in the network namespace netns (a path such as /proc/PID/ns/net), listening on
    // address there. Its control paths answer loopback clients only, which the test is not.
    SiteSimProcess(const std::vector<std::string>& args, const std::string& netns,
                   const std::string& address);
    ~SiteSimProcess();
    SiteSimProcess(const SiteSimProcess&) = delete;
    SiteSimProcess& operator=(const SiteSimProcess&) = delete;

    int Port() const { return m_port; }
    // "127.0.0.1:PORT" (or the address given), the form the site's host settings take.
    std::string HostPort() const;
    std::string Url(const std::string& pathAndQuery) const;
    // The request log that sitesim writes (one line per request).
    std::string LogPath() const { return m_logPath; }
    std::vector<std::string> LogLines() const;

    // A plain GET from the test itself (status code, body); for the control path.
    int Get(const std::string& pathAndQuery, std::string* body = nullptr) const;

    // Points "/Site/webHost", "/Site/imageHost" and "/Site/previewHost" at this site and
    // reloads the plug-in's endpoints.
    void UseAsSite() const;

private:
    std::string m_address;
    int m_pid = -1;
    int m_port = 0;
    std::string m_logPath;
};
