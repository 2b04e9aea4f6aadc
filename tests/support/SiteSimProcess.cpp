#include "tests/support/SiteSimProcess.h"

#include "core/SiteEndpoints.h"
#include "resources/ImageStore.h"
#include "tests/support/TestEnvironment.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

SiteSimProcess::SiteSimProcess(const std::vector<std::string>& args)
    : SiteSimProcess(args, "", "127.0.0.1") {}

SiteSimProcess::SiteSimProcess(const std::vector<std::string>& args, const std::string& netns,
                               const std::string& address)
    : m_address(address) {
    m_logPath = TestEnvironment::MakeTempDir("sitesim") + "/requests.log";
    std::vector<std::string> all;
    if (!netns.empty())
        all = {"/usr/bin/nsenter", "--net=" + netns};
    all.insert(all.end(), {TestEnvironment::BinDir() + "/sitesim", "--address", address, "--port",
                           "0", "--log", m_logPath});
    all.insert(all.end(), args.begin(), args.end());

    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    m_pid = fork();
    if (m_pid == 0) {
        // A test that dies must not leave the site running (and holding ctest's pipes).
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    // sitesim's first line is "PORT <n>" once it listens.
    FILE* out = fdopen(fds[0], "r");
    char line[128] = {};
    if (!out || !std::fgets(line, sizeof line, out) || std::sscanf(line, "PORT %d", &m_port) != 1)
        throw std::runtime_error("sitesim did not report its port");
    std::fclose(out);
}

SiteSimProcess::~SiteSimProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

std::string SiteSimProcess::HostPort() const {
    return m_address + ":" + std::to_string(m_port);
}

std::string SiteSimProcess::Url(const std::string& pathAndQuery) const {
    return "http://" + HostPort() + pathAndQuery;
}

std::vector<std::string> SiteSimProcess::LogLines() const {
    std::vector<std::string> lines;
    std::ifstream in(m_logPath);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int SiteSimProcess::Get(const std::string& pathAndQuery, std::string* body) const {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(m_port));
    inet_pton(AF_INET, m_address.c_str(), &addr.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    const std::string request =
        "GET " + pathAndQuery + " HTTP/1.0\r\nHost: " + HostPort() + "\r\n\r\n";
    if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
        close(fd);
        return -1;
    }
    std::string reply;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        reply.append(buffer, static_cast<size_t>(n));
    close(fd);
    int status = -1;
    std::sscanf(reply.c_str(), "HTTP/%*s %d", &status);
    if (body) {
        const auto split = reply.find("\r\n\r\n");
        *body = split == std::string::npos ? std::string() : reply.substr(split + 4);
    }
    return status;
}

void SiteSimProcess::UseAsSite() const {
    {
        auto config = ImageStore::GetConfig();
        const wxString host = wxString::FromUTF8(HostPort());
        config->Write("/Site/webHost", host);
        config->Write("/Site/imageHost", host);
        config->Write("/Site/previewHost", host);
    }
    SiteEndpoints::Load();
}
