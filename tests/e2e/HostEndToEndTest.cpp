// The real host program with the plug-in, against the simulated site, driven from outside
// through the X server as a person would.
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/fileconf.h>
#include <wx/wfstream.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    return out;
}

// The first visible window of the kind ("main", "box", ...) that the process shows, or "". By
// kind, not by title: the catalogue translates the titles.
std::string FindWindow(pid_t pid, const std::string& kind) {
    const std::string out =
        Shell(std::string(ROD_PROGRAM_WINDOWS) + " " + std::to_string(pid) + " " + kind);
    return out.substr(0, out.find('\n'));
}

// The host as a child process with a private HOME holding the given settings.
class HostProcess {
public:
    HostProcess(const std::string& home) : m_home(home) {
        m_pid = fork();
        if (m_pid == 0) {
            setenv("HOME", home.c_str(), 1);
            setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
            setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
            const std::string program = TestEnvironment::HostProgram();
            if (!freopen((home + "/host.log").c_str(), "w", stderr))
                _exit(126);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~HostProcess() {
        if (Running()) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        // A sanitizer in the host reports on its stderr; the report fails the test even where
        // the test stopped before it looked at the host's exit status.
        const std::string log = Log();
        for (const char* marker : {"WARNING: ThreadSanitizer", "ERROR: AddressSanitizer",
                                   "ERROR: LeakSanitizer", ": runtime error: "}) {
            if (log.find(marker) != std::string::npos) {
                ADD_FAILURE() << "the host reported \"" << marker << "\":\n" << log;
                break;
            }
        }
    }

    pid_t Pid() const { return m_pid; }
    bool Running() {
        if (m_exited)
            return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_exited = true;
            m_status = status;
        }
        return !m_exited;
    }
    // The exit status once ended, -1 while it runs or when it was killed by a signal.
    int ExitStatus() { return !Running() && WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1; }
    std::string Log() const {
        std::ifstream in(m_home + "/host.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string m_home;
    pid_t m_pid = -1;
    bool m_exited = false;
    int m_status = 0;
};

std::string WriteSettings(const SiteSimProcess& site, const std::string& extra) {
    const std::string home = TestEnvironment::MakeTempDir("hosthome");
    std::ofstream out(home + "/.Roduviriz");
    out << "[Site]\nwebHost=" << site.HostPort() << "\nimageHost=" << site.HostPort()
        << "\npreviewHost=" << site.HostPort() << "\n"
        << extra;
    return home;
}

size_t CountRequests(const SiteSimProcess& site, const std::string& needle) {
    size_t count = 0;
    for (const std::string& line : site.LogLines())
        count += line.find(needle) != std::string::npos;
    return count;
}

long ReadLong(const std::string& file, const char* key) {
    wxFileInputStream in(file);
    if (!in.IsOk())
        return -99999;
    wxFileConfig config(in);
    return config.ReadLong(key, -99999);
}

} // namespace

TEST(HostEndToEnd, FrameLiveTreePopupAndExitThroughTheMenu) {
    SiteSimProcess site({"--performers", "15", "--tick", "0", "--seed", "3"});
    const std::string home = WriteSettings(
        site, "[System]\nsyncinterval=1\n[SplashScreen]\nduration=1\n[MainFrame]\nx=40\ny=50\n");
    HostProcess host(home);

    std::string frame;
    ASSERT_TRUE(WaitFor([&] { return !(frame = FindWindow(host.Pid(), "main")).empty(); }, 15000))
        << host.Log();
    // The first refresh and then the next ones reach the site.
    EXPECT_TRUE(WaitFor(
        [&] { return CountRequests(site, "/include/js/online_performers.js") >= 2; }, 10000));

    // A performer who comes online after the first list gets a pop-up, which fetches the
    // thumbnail.
    site.Get("/_control/set?name=newcomer_e2e&state=free");
    EXPECT_TRUE(WaitFor(
        [&] { return CountRequests(site, "/WebArchive/newcomer_e2e/thumbs/LinkedImage.jpg") == 1; },
        10000));

    // "E&xit" through the keyboard: Alt+F opens "&File", x picks "E&xit".
    Shell("xdotool windowactivate --sync " + frame);
    Shell("xdotool key --clearmodifiers alt+f");
    PumpEvents(400);
    Shell("xdotool key x");
    ASSERT_TRUE(WaitFor([&] { return !host.Running(); }, 20000)) << host.Log();
    EXPECT_EQ(0, host.ExitStatus()) << host.Log();

    const std::string settings = home + "/.Roduviriz";
    // The outer size as the window reports it; under a window manager the frame's decoration
    // may or may not be known to the toolkit yet when it is saved.
    EXPECT_NEAR(240, ReadLong(settings, "/MainFrame/width"), 30);
    EXPECT_NEAR(480, ReadLong(settings, "/MainFrame/height"), 40);
    EXPECT_NEAR(40, ReadLong(settings, "/MainFrame/x"), 40);
    EXPECT_NEAR(50, ReadLong(settings, "/MainFrame/y"), 40);
    EXPECT_EQ(-99999, ReadLong(settings, "/favorites"));
}

TEST(HostEndToEnd, SiteThatKeepsRefusingEndsTheHostAfterTheBox) {
    SiteSimProcess site({"--performers", "5", "--tick", "0"});
    site.Get("/_control/fault?path=%2Finclude%2Fjs%2Fonline_performers.js&mode=refuse");
    const std::string home = WriteSettings(site, "[System]\nsyncinterval=1\n");
    HostProcess host(home);

    std::string box;
    ASSERT_TRUE(WaitFor([&] { return !(box = FindWindow(host.Pid(), "box")).empty(); }, 30000))
        << host.Log();
    EXPECT_TRUE(host.Running());
    Shell("xdotool windowactivate --sync " + box);
    Shell("xdotool key Return");
    ASSERT_TRUE(WaitFor([&] { return !host.Running(); }, 20000)) << host.Log();
    EXPECT_EQ(0, host.ExitStatus()) << host.Log();
    EXPECT_TRUE(FindWindow(host.Pid(), "main").empty());
}
