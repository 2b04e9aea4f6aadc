// The update end to end through the real host program: `roduviriz --update` in a folder of
// its own, the question answered with a key press as a user would, then the next start; and
// the program started by its bare name through PATH from another folder.
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"
#include "tests/updater/UpdaterTestSupport.h"

#include <gtest/gtest.h>
#include <wx/stopwatch.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The host as a child process with its output in files; killed if a test leaves it running.
class HostProcess {
public:
    // With a folder to start in, the program is started there by its bare name through PATH.
    HostProcess(const std::string& program, const std::string& option,
                const std::string& startIn = "") {
        m_outPath = TestEnvironment::MakeTempDir("hostrun") + "/out";
        m_errPath = m_outPath + ".err";
        std::string argv0 = program, path = std::getenv("PATH");
        if (!startIn.empty()) {
            const size_t slash = program.rfind('/');
            argv0 = program.substr(slash + 1);
            path = program.substr(0, slash) + ":" + path;
        }
        m_pid = fork();
        if (m_pid == 0) {
            if (!std::freopen(m_outPath.c_str(), "w", stdout) ||
                !std::freopen(m_errPath.c_str(), "w", stderr))
                _exit(126);
            // Untranslated texts, so that the question's title is known.
            setenv("LC_ALL", "C", 1);
            unsetenv("LANGUAGE");
            setenv("PATH", path.c_str(), 1);
            if (!startIn.empty() && chdir(startIn.c_str()) != 0)
                _exit(126);
            execlp(argv0.c_str(), argv0.c_str(), option.empty() ? nullptr : option.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    int Pid() const { return m_pid; }
    ~HostProcess() {
        if (Running()) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool Running() {
        if (m_pid <= 0 || m_finished)
            return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_finished = true;
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        return !m_finished;
    }
    bool Wait(int timeoutMs) {
        return WaitFor([this] { return !Running(); }, timeoutMs);
    }
    int ExitStatus() const { return m_status; }
    std::string Output() const { return ReadFile(m_outPath); }
    std::string Errors() const { return ReadFile(m_errPath); }

private:
    int m_pid = -1;
    bool m_finished = false;
    int m_status = -1;
    std::string m_outPath, m_errPath;
};

std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    return output;
}

// Presses Return in the visible "Confirm" window if there is one; true when it did.
bool AnswerQuestionWithReturn() {
    const std::string window =
        CommandOutput("xdotool search --onlyvisible --name '^Confirm$' 2>/dev/null | head -n 1");
    if (window.empty())
        return false;
    const std::string id = window.substr(0, window.find('\n'));
    const std::string press =
        "xdotool windowactivate --sync " + id + " key --clearmodifiers Return >/dev/null 2>&1";
    return std::system(press.c_str()) == 0;
}

// The settings file of the host's plug-in, pointing every site host at sitesim.
void PointHostAt(const SiteSimProcess& site) {
    const std::string host = site.HostPort();
    WriteFile(TestEnvironment::Home() + "/.Roduviriz",
              "[Site]\nwebHost=" + host + "\nimageHost=" + host + "\npreviewHost=" + host + "\n");
}

// Waits until the update ends, answering its question with Return; whether it was asked is
// put in *answered.
bool AnswerUntilEnded(HostProcess& update, bool* answered) {
    *answered = false;
    wxStopWatch sinceLastTry;
    return WaitFor(
        [&] {
            if (!update.Running())
                return true;
            if (sinceLastTry.Time() > 300) {
                *answered = AnswerQuestionWithReturn() || *answered;
                sinceLastTry.Start();
            }
            return false;
        },
        180000);
}

void CopyExecutable(const std::string& from, const std::string& to) {
    WriteFile(to, ReadFile(from));
    ASSERT_EQ(0, ::chmod(to.c_str(), 0755)) << to;
}

TEST(HostUpdateTest, AcceptedUpdateIsInstalledAndRunsAtTheNextStart) {
    const std::string dir = TestEnvironment::MakeTempDir("installed");
    const std::string offer = TestEnvironment::MakeTempDir("offer");
    const std::string bin = TestEnvironment::BinDir();
    CopyExecutable(bin + "/roduviriz", dir + "/roduviriz");
    CopyExecutable(bin + "/roduviriz.so", dir + "/roduviriz.so");
    WriteFile(dir + "/roduviriz.skin", "old skin");

    // The built module with a marker after it: it still loads, and it is told apart by size.
    const std::string newModule = ReadFile(bin + "/roduviriz.so") + "\noffered as 1.4.0\n";
    const std::string skin = MakePayload("skin 1.4.0", 20000, 11);
    const std::string catalogue = MakePayload("catalogue 1.4.0", 900, 12);
    const std::string manifest = MakePayload("manifest 1.4.0", 300, 13);
    WriteFile(offer + "/roduviriz.so", newModule);
    WriteFile(offer + "/roduviriz.skin", skin);
    WriteFile(offer + "/roduviriz.mo", catalogue);
    WriteFile(offer + "/roduviriz.manifest", manifest);

    {
        SiteSimProcess site({"--updates", offer, "--latest", "1.4.0"});
        PointHostAt(site);
        HostProcess update(dir + "/roduviriz", "--update");
        bool answered = false;
        ASSERT_TRUE(AnswerUntilEnded(update, &answered))
            << "the host did not finish; answered: " << answered;
        EXPECT_TRUE(answered) << "no \"Confirm\" question was seen";
        ASSERT_EQ(0, update.ExitStatus()) << update.Errors();
        EXPECT_NE(std::string::npos, update.Output().find("installed")) << update.Output();
        EXPECT_EQ(4u, UpdateRequests(site.LogLines()).size());
    }
    EXPECT_EQ(newModule, ReadFile(dir + "/roduviriz.so"));
    EXPECT_FALSE(FileExists(dir + "/roduviriz.so.new"));
    EXPECT_EQ(skin, ReadFile(dir + "/roduviriz.skin.new"));
    EXPECT_EQ("old skin", ReadFile(dir + "/roduviriz.skin"));

    // The next start: nothing newer is offered; the new module runs and moves the staged
    // companions in.
    SiteSimProcess current({"--updates", offer, "--latest", "1.3.0"});
    PointHostAt(current);
    HostProcess next(dir + "/roduviriz", "--update");
    ASSERT_TRUE(next.Wait(120000)) << "the host did not finish (asked a question?)";
    ASSERT_EQ(0, next.ExitStatus()) << next.Errors();
    EXPECT_EQ(std::vector<std::string>{UpdateRequest()}, UpdateRequests(current.LogLines()));
    EXPECT_EQ(newModule, ReadFile(dir + "/roduviriz.so"));
    EXPECT_EQ(skin, ReadFile(dir + "/roduviriz.skin"));
    EXPECT_EQ(catalogue, ReadFile(dir + "/ja/LC_MESSAGES/roduviriz.mo"));
    EXPECT_EQ(manifest, ReadFile(dir + "/roduviriz.manifest"));
    for (const char* staged :
         {"roduviriz.skin.new", "ja/LC_MESSAGES/roduviriz.mo.new", "roduviriz.manifest.new"})
        EXPECT_FALSE(FileExists(dir + "/" + staged)) << staged;
}

// The host calls the updater before its event loop runs; a service that accepts the request
// and never answers must not keep it waiting beyond the time-outs.
TEST(HostUpdateTest, SilentServiceDoesNotHangTheUpdate) {
    const std::string dir = TestEnvironment::MakeTempDir("installed");
    const std::string offer = TestEnvironment::MakeTempDir("offer");
    const std::string bin = TestEnvironment::BinDir();
    CopyExecutable(bin + "/roduviriz", dir + "/roduviriz");
    CopyExecutable(bin + "/roduviriz.so", dir + "/roduviriz.so");
    WriteFile(offer + "/roduviriz.so", ReadFile(bin + "/roduviriz.so") + "\nnewer\n");

    SiteSimProcess site({"--updates", offer, "--latest", "1.4.0"});
    ASSERT_EQ(200, site.Get("/_control/fault?path=" + PercentEncode(UpdateRequest()) +
                            "&mode=delay&ms=600000"));
    PointHostAt(site);
    HostProcess update(dir + "/roduviriz", "--update");
    ASSERT_TRUE(update.Wait(120000)) << "still waiting for a silent service";
    EXPECT_EQ(0, update.ExitStatus()) << update.Errors();
    EXPECT_EQ(ReadFile(bin + "/roduviriz.so"), ReadFile(dir + "/roduviriz.so"));
    EXPECT_FALSE(FileExists(dir + "/roduviriz.so.new"));
}

// The plug-in's files are found beside the program, not in the folder it was started from:
// the splash shows from the skin, and the update stages beside the program.
TEST(HostUpdateTest, StartedByItsBareNameItFindsAndStagesItsFilesBesideItself) {
    const std::string dir = TestEnvironment::MakeTempDir("installed");
    const std::string elsewhere = TestEnvironment::MakeTempDir("elsewhere");
    const std::string offer = TestEnvironment::MakeTempDir("offer");
    const std::string bin = TestEnvironment::BinDir();
    CopyExecutable(bin + "/roduviriz", dir + "/roduviriz");
    CopyExecutable(bin + "/roduviriz.so", dir + "/roduviriz.so");
    WriteFile(dir + "/roduviriz.skin", ReadFile(bin + "/roduviriz.skin"));
    const std::string skin = MakePayload("skin 1.4.0", 2000, 21);
    WriteFile(offer + "/roduviriz.so", ReadFile(bin + "/roduviriz.so") + "\nnewer\n");
    WriteFile(offer + "/roduviriz.skin", skin);

    SiteSimProcess site({"--updates", offer, "--latest", "1.4.0", "--tick", "0"});
    PointHostAt(site);
    WriteFile(TestEnvironment::Home() + "/.Roduviriz",
              ReadFile(TestEnvironment::Home() + "/.Roduviriz") + "[SplashScreen]\nduration=600\n");
    {
        HostProcess run(dir + "/roduviriz", "", elsewhere);
        const std::string pid = std::to_string(run.Pid());
        // The splash is a picture of the skin: a window of the host's beside the frame.
        std::string frame, windows;
        EXPECT_TRUE(WaitFor(
            [&] {
                frame =
                    CommandOutput("xdotool search --onlyvisible --name '^Orlavin ZirovUdaroro$'");
                windows = CommandOutput("xdotool search --onlyvisible --pid " + pid);
                return !frame.empty() && windows.size() > frame.size();
            },
            60000))
            << "frame: " << frame << "all: " << windows << run.Errors();
    }
    HostProcess update(dir + "/roduviriz", "--update", elsewhere);
    bool answered = false;
    ASSERT_TRUE(AnswerUntilEnded(update, &answered))
        << "the host did not finish; answered: " << answered;
    EXPECT_EQ(0, update.ExitStatus()) << update.Errors();
    EXPECT_EQ(skin, ReadFile(dir + "/roduviriz.skin.new"));
    EXPECT_FALSE(FileExists(elsewhere + "/roduviriz.skin.new"));
}

} // namespace
