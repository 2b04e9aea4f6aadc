#include "tests/support/TinyProxyProcess.h"

#include "tests/support/LoopbackPort.h"
#include "tests/support/TestEnvironment.h"

#include <chrono>
#include <csignal>
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

TinyProxyProcess::TinyProxyProcess(const std::string& user, const std::string& password) {
    m_dir = TestEnvironment::MakeTempDir("tinyproxy");
    // Another program may take the free port first: then another one.
    for (int attempt = 0; attempt < 5; ++attempt) {
        do
            m_port = LoopbackPort::Free();
        while (m_port == 80);
        std::ostringstream config;
        config << "Port " << m_port << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 40\n"
               << "LogFile \"" << m_dir << "/tinyproxy.log\"\nLogLevel Info\n";
        if (!user.empty())
            config << "BasicAuth " << user << " " << password << "\n";
        if (Start(config.str()))
            return;
    }
    throw std::runtime_error("tinyproxy did not start");
}

bool TinyProxyProcess::Start(const std::string& config) {
    const std::string path = m_dir + "/tinyproxy.conf";
    std::ofstream(path) << config;
    m_pid = fork();
    if (m_pid == 0) {
        // A test that dies must not leave the proxy running.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execlp("tinyproxy", "tinyproxy", "-d", "-c", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return LoopbackPort::WaitForServer(m_port, &m_pid);
}

TinyProxyProcess::~TinyProxyProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

std::string TinyProxyProcess::Address(const std::string& userinfo) const {
    return "http://" + (userinfo.empty() ? "" : userinfo + "@") +
           "127.0.0.1:" + std::to_string(m_port) + "/";
}

std::string TinyProxyProcess::Log() const {
    std::ifstream in(m_dir + "/tinyproxy.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
