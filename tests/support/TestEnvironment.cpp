#include "tests/support/TestEnvironment.h"

#include "resources/ConfigAccess.h"

#include <chrono>
#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace {
std::string g_home;
}

void TestEnvironment::Prepare() {
    char pattern[] = "/tmp/rodtest-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    g_home = pattern;
    setenv("HOME", g_home.c_str(), 1);
    setenv("XDG_DATA_HOME", (g_home + "/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (g_home + "/.config").c_str(), 1);
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
}

void TestEnvironment::CleanUp() {
    if (!g_home.empty() && !std::getenv("ROD_KEEP_TEST_HOME"))
        wxFileName::Rmdir(g_home, wxPATH_RMDIR_RECURSIVE);
}

std::string TestEnvironment::BinDir() {
    return ROD_BIN_DIR;
}

std::string TestEnvironment::HostProgram() {
    return BinDir() + "/roduviriz";
}

std::string TestEnvironment::Home() {
    return g_home;
}

std::string TestEnvironment::MakeTempDir(const std::string& prefix) {
    std::string pattern = g_home + "/" + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void TestEnvironment::ResetConfig() {
    ConfigAccess::Release();
    const wxString file = wxFileConfig::GetLocalFileName(wxAppConsole::GetInstance()->GetAppName());
    if (wxFileExists(file))
        wxRemoveFile(file);
}

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    // On the monotonic clock: the tests of clock jumps set the wall clock.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return pred();
        // Not wxTheApp: it casts to the GUI application class, which a console test's is not.
        if (wxAppConsole* app = wxAppConsole::GetInstance()) {
            app->ProcessPendingEvents();
            app->Yield(true);
        }
        wxMilliSleep(5);
    }
    return true;
}

void PumpEvents(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    WaitFor([&] { return std::chrono::steady_clock::now() >= end; }, ms + 1000);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> LinesHolding(const std::vector<std::string>& lines,
                                      const std::vector<std::string>& forms) {
    std::vector<std::string> holding;
    for (const std::string& line : lines)
        for (const std::string& form : forms)
            if (!form.empty() && line.find(form) != std::string::npos) {
                holding.push_back(line);
                break;
            }
    return holding;
}
