#pragma once

#include <string>
#include <vector>

// Registers a recorder as the desktop's program for text/html under the private
// XDG_DATA_HOME, so that a browser launch writes its arguments to a file instead.
class BrowserRecorder {
public:
    BrowserRecorder();
    ~BrowserRecorder();

    // Each launch is one line: the arguments the recorder got, separated by spaces.
    std::vector<std::string> Launches() const;
    // Waits (pumping events) until at least count launches were recorded.
    bool WaitForLaunches(size_t count, int timeoutMs = 5000) const;
    void Clear() const;

private:
    std::string m_dir;
    std::string m_scriptDir;
    std::string m_record;
};
