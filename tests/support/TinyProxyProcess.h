#pragma once

#include <string>

// Debian's tinyproxy as a child process on 127.0.0.1 and a free port (never 80), optionally
// asking for Basic credentials; stopped on destruction. Its log names every request it
// forwarded. It tunnels (CONNECT) to any port, an https site's too: with no ConnectPort line
// in its configuration, tinyproxy allows every port.
class TinyProxyProcess {
public:
    // user empty: no credentials asked. tinyproxy takes letters, digits and "-._" in both.
    explicit TinyProxyProcess(const std::string& user = "", const std::string& password = "");
    ~TinyProxyProcess();
    TinyProxyProcess(const TinyProxyProcess&) = delete;
    TinyProxyProcess& operator=(const TinyProxyProcess&) = delete;

    int Port() const { return m_port; }
    // "http://[userinfo@]127.0.0.1:PORT/", userinfo as given (already percent-encoded).
    std::string Address(const std::string& userinfo = "") const;
    std::string Log() const;

private:
    bool Start(const std::string& config);

    int m_pid = -1;
    int m_port = 0;
    std::string m_dir;
};
