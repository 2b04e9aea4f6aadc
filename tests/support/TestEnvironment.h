#pragma once

#include <functional>
#include <string>
#include <vector>

// Process-wide test set-up: a private HOME (and XDG folders) so that settings and the browser
// association never touch the user's own, and where the built programs are.
class TestEnvironment {
public:
    static void Prepare();
    static void CleanUp();

    static std::string BinDir();
    static std::string HostProgram();
    static std::string Home();
    // A new empty directory under the private HOME.
    static std::string MakeTempDir(const std::string& prefix);
    // Forgets every setting: deletes the configuration object and its file.
    static void ResetConfig();
};

// Pumps the event loop until pred holds or timeoutMs has passed; returns pred's last value.
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);
// Pumps the event loop for a while (lets queued events and repaints through).
void PumpEvents(int ms = 50);

// The lines of a text, without their line ends.
std::vector<std::string> SplitLines(const std::string& text);
// Those of lines that hold any of forms (a secret as typed, percent-encoded as a query carries
// it, ...): on a road where the secret does not belong there must be none. Any lines will do:
// a process's standard error, traces, a server's request log, a log file.
std::vector<std::string> LinesHolding(const std::vector<std::string>& lines,
                                      const std::vector<std::string>& forms);
