#include "tests/support/NginxProcess.h"

#include "tests/support/LoopbackPort.h"
#include "tests/support/TestEnvironment.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The certificate's name among make-test-ca's files, as nginx-front takes it.
const char* Kind(NginxProcess::Certificate certificate) {
    switch (certificate) {
    case NginxProcess::Certificate::Plain:
        return "plain";
    case NginxProcess::Certificate::OtherName:
        return "other-name";
    case NginxProcess::Certificate::Expired:
        return "expired";
    case NginxProcess::Certificate::Untrusted:
        return "untrusted";
    default:
        return "valid";
    }
}

} // namespace

std::string NginxProcess::CertificateDir() {
    static const std::string dir = [] {
        const std::string made = TestEnvironment::MakeTempDir("certificates");
        const std::string command =
            "bash '" ROD_TEST_SUPPORT_DIR "/make-test-ca' '" + made + "' >/dev/null";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("make-test-ca failed");
        return made;
    }();
    return dir;
}

NginxProcess::NginxProcess(int upstreamPort, Certificate certificate, const std::string& extra)
    : m_tls(certificate != Certificate::Plain) {
    m_dir = TestEnvironment::MakeTempDir("nginx");
    if (!extra.empty())
        std::ofstream(m_dir + "/extra.conf") << extra << "\n";
    // Another program may take the free port first: then another one.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (Start(upstreamPort, certificate))
            return;
    throw std::runtime_error("nginx did not start: " + ErrorLog());
}

bool NginxProcess::Start(int upstreamPort, Certificate certificate) {
    m_port = LoopbackPort::Free();
    const std::string port = std::to_string(m_port);
    const std::string upstream = std::to_string(upstreamPort);
    const std::string certificates = m_tls ? CertificateDir() : "";
    m_pid = fork();
    if (m_pid == 0) {
        // A test that dies must not leave nginx running.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int out = open((m_dir + "/nginx.out").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execlp("bash", "bash", ROD_TEST_SUPPORT_DIR "/nginx-front", m_dir.c_str(), port.c_str(),
               upstream.c_str(), Kind(certificate), certificates.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    return LoopbackPort::WaitForServer(m_port, &m_pid);
}

NginxProcess::~NginxProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

std::string NginxProcess::HostPort() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

std::string NginxProcess::Url(const std::string& pathAndQuery) const {
    return (m_tls ? "https://" : "http://") + HostPort() + pathAndQuery;
}

std::vector<NginxProcess::Entry> NginxProcess::Requests() const {
    std::vector<Entry> entries;
    std::ifstream in(m_dir + "/access.log");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        Entry entry;
        std::string status, sent, length, connection, requests;
        if (std::getline(fields, entry.request, '\t') && std::getline(fields, status, '\t') &&
            std::getline(fields, sent, '\t') && std::getline(fields, length, '\t') &&
            std::getline(fields, connection, '\t') && std::getline(fields, requests)) {
            entry.status = std::atoi(status.c_str());
            entry.bytesSent = std::atol(sent.c_str());
            entry.requestLength = std::atol(length.c_str());
            entry.connection = std::atol(connection.c_str());
            entry.connectionRequests = std::atol(requests.c_str());
            entries.push_back(entry);
        }
    }
    return entries;
}

bool NginxProcess::WaitForRequests(size_t count, int timeoutMs) const {
    return WaitFor([&] { return Requests().size() >= count; }, timeoutMs);
}

std::string NginxProcess::ErrorLog() const {
    std::ifstream in(m_dir + "/error.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
