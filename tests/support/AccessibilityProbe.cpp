#include "tests/support/AccessibilityProbe.h"

#include "tests/support/TestEnvironment.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

const std::string PROBE = ROD_TEST_SUPPORT_DIR "/a11y-probe";

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');)
        fields.push_back(field);
    return fields;
}

std::string NewOutputFile() {
    return TestEnvironment::MakeTempDir("a11y-probe") + "/out";
}

} // namespace

int AccessibilityProbe::Start(const std::vector<std::string>& args, const std::string& out) {
    std::vector<std::string> argv = {PROBE};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.begin() + 2, std::to_string(getpid()));
    // Everything made before the fork: the child of a threaded process may only exec.
    std::vector<char*> raw;
    for (std::string& arg : argv)
        raw.push_back(arg.data());
    raw.push_back(nullptr);
    const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int pid = fork();
    if (pid == 0) {
        dup2(fd, 1);
        execv(raw[0], raw.data());
        _exit(127);
    }
    close(fd);
    return pid;
}

std::vector<AccessibilityProbe::Object> AccessibilityProbe::Dump(int timeoutMs) {
    const std::string out = NewOutputFile();
    const int pid = Start({"dump"}, out);
    int status = -1;
    const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return {};
    }
    std::vector<Object> objects;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return objects;
    std::ifstream in(out);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> fields = Fields(line);
        if (fields.size() < 3)
            continue;
        Object object{std::atoi(fields[0].c_str()), fields[1], fields[2], {}};
        if (fields.size() > 3) {
            std::istringstream states(fields[3]);
            for (std::string state; std::getline(states, state, ',');)
                object.states.insert(state);
        }
        objects.push_back(object);
    }
    return objects;
}

AccessibilityProbe::AccessibilityProbe(const std::vector<std::string>& events)
    : m_out(NewOutputFile()) {
    std::vector<std::string> args = {"listen"};
    args.insert(args.end(), events.begin(), events.end());
    m_pid = Start(args, m_out);
}

AccessibilityProbe::~AccessibilityProbe() {
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

std::vector<std::string> AccessibilityProbe::Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(m_out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool AccessibilityProbe::WaitReady(int timeoutMs) {
    return WaitFor(
        [this] {
            const std::vector<std::string> lines = Lines();
            return !lines.empty() && lines.front() == "ready";
        },
        timeoutMs);
}

bool AccessibilityProbe::WaitForEvent(const std::function<bool(const Event&)>& pred,
                                      int timeoutMs) {
    return WaitFor(
        [&] {
            for (const std::string& line : Lines()) {
                const std::vector<std::string> fields = Fields(line);
                if (fields.size() == 4 &&
                    pred(Event{fields[0], fields[1], fields[2], std::atoi(fields[3].c_str())}))
                    return true;
            }
            return false;
        },
        timeoutMs);
}
