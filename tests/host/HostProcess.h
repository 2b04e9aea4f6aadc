#pragma once

#include <string>
#include <utility>
#include <vector>

// Runs a program to its end with extra environment variables and collects its exit status
// and output; a program still running after the time limit is killed.
class HostProcess {
public:
    struct Result {
        int status = -1; // the exit status; -1 when it did not exit normally in time
        std::string out;
        std::string err;
        std::vector<std::string> ErrLines() const;
    };

    // Starts the program; it runs until Finish, or until the object goes (then it is killed).
    HostProcess(const std::string& program, const std::vector<std::string>& args,
                const std::vector<std::pair<std::string, std::string>>& env = {});
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // Waits for the end; a program still running after the time limit is killed.
    Result Finish(int timeoutMs = 30000);

    static Result Run(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& env = {},
                      int timeoutMs = 30000);

private:
    int m_pid = -1;
    std::string m_outPath;
    std::string m_errPath;
};
