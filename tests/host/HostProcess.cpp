#include "tests/host/HostProcess.h"

#include "tests/support/TestEnvironment.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::vector<std::string> HostProcess::Result::ErrLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

HostProcess::HostProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env) {
    const std::string dir = TestEnvironment::MakeTempDir("host-output");
    m_outPath = dir + "/stdout";
    m_errPath = dir + "/stderr";

    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        bool overridden = false;
        for (const auto& [name, value] : env)
            overridden = overridden || text.rfind(name + "=", 0) == 0;
        if (!overridden)
            environment.push_back(text);
    }
    for (const auto& [name, value] : env)
        environment.push_back(name + "=" + value);

    std::vector<std::string> argvText = {program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
}

HostProcess::~HostProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

HostProcess::Result HostProcess::Finish(int timeoutMs) {
    Result result;
    if (m_pid <= 0)
        return result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(m_pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done == 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &status, 0);
    } else if (done == m_pid && WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
    }
    m_pid = -1;
    result.out = ReadAll(m_outPath);
    result.err = ReadAll(m_errPath);
    return result;
}

HostProcess::Result HostProcess::Run(const std::string& program,
                                     const std::vector<std::string>& args,
                                     const std::vector<std::pair<std::string, std::string>>& env,
                                     int timeoutMs) {
    return HostProcess(program, args, env).Finish(timeoutMs);
}
