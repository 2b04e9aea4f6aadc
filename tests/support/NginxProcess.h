#pragma once

#include <string>
#include <vector>

// Debian's nginx as a child process on 127.0.0.1 and a free port, in front of an HTTP server on
// loopback (a sitesim): TLS with one of the test certificates (HTTP/2 offered), or plain http;
// gzip for text, as a real site compresses; stopped on destruction. tests/support/nginx-front
// configures and runs it (as the current user, in one process, with its configuration, logs
// and temporary files in a folder of its own), as the fault matrix does.
class NginxProcess {
public:
    // Which certificate the TLS listener shows (see tests/support/make-test-ca); Plain: no TLS.
    enum class Certificate { Plain, Valid, OtherName, Expired, Untrusted };

    // One line of the access log.
    struct Entry {
        std::string request; // "GET /path HTTP/1.1"
        int status = 0;
        long bytesSent = 0;          // headers and body as sent, compressed, before TLS
        long requestLength = 0;      // request line, headers and body as received
        long connection = 0;         // the connection's serial number
        long connectionRequests = 0; // this request's place on its connection, from 1
    };

    // extra: nginx directives for the server (locations before the one that passes everything
    // on to the upstream): pages, limits, redirects.
    explicit NginxProcess(int upstreamPort, Certificate certificate = Certificate::Valid,
                          const std::string& extra = "");
    ~NginxProcess();
    NginxProcess(const NginxProcess&) = delete;
    NginxProcess& operator=(const NginxProcess&) = delete;

    int Port() const { return m_port; }
    // "127.0.0.1:PORT"; the valid certificate names 127.0.0.1 as well as localhost.
    std::string HostPort() const;
    // "https://127.0.0.1:PORT/..." ("http://" for Plain).
    std::string Url(const std::string& pathAndQuery) const;
    std::vector<Entry> Requests() const;
    // The log once it holds count lines: nginx writes a line after its answer is out, so a
    // client can have its answer before the server's line is there. False after the limit.
    bool WaitForRequests(size_t count, int timeoutMs = 5000) const;
    std::string ErrorLog() const;

    // The folder with every test certificate, made once per test process.
    static std::string CertificateDir();
    // The test CA that issued all but the untrusted certificate: what a client must trust.
    static std::string CaFile() { return CertificateDir() + "/ca.crt"; }

private:
    bool Start(int upstreamPort, Certificate certificate);

    int m_pid = -1;
    int m_port = 0;
    bool m_tls = true;
    std::string m_dir;
};
