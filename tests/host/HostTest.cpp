#include "tests/host/HostProcess.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/stopwatch.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

using Env = std::vector<std::pair<std::string, std::string>>;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A copy of the built host in a directory of its own, so that what lies beside it can be
// chosen without touching the build's bin directory.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = TestEnvironment::MakeTempDir("host");
        m_host = m_dir + "/roduviriz";
        m_plugin = m_dir + "/roduviriz.so";
        m_log = m_dir + "/probe.log";
        ASSERT_TRUE(wxCopyFile(TestEnvironment::HostProgram(), m_host));
    }

    void UseProbePlugin() { ASSERT_TRUE(wxCopyFile(ROD_PROBE_PLUGIN, m_plugin)); }

    HostProcess::Result RunHost(const std::vector<std::string>& args, Env env = {}) const {
        env.emplace_back("ROD_PROBE_LOG", m_log);
        // Keeps the accessibility bridge's warnings out of the output we check.
        env.emplace_back("NO_AT_BRIDGE", "1");
        return HostProcess::Run(m_host, args, env);
    }

    std::string ProbeLog() const { return ReadFile(m_log); }

    // One line on stderr that names the plug-in, and status 1.
    void ExpectOneLineFailure(const HostProcess::Result& result, const std::string& part) const {
        EXPECT_EQ(result.status, 1);
        const auto lines = result.ErrLines();
        ASSERT_EQ(lines.size(), 1u) << result.err;
        EXPECT_TRUE(Contains(lines[0], part)) << lines[0];
        EXPECT_TRUE(Contains(lines[0], m_plugin)) << lines[0];
    }

    std::string m_dir, m_host, m_plugin, m_log;
};

} // namespace

TEST(BuiltHostTest, LoadsTheBuiltPluginWhoseModuleStarted) {
    const std::string before = ReadFile(TestEnvironment::BinDir() + "/roduviriz.so");
    const auto result =
        HostProcess::Run(TestEnvironment::HostProgram(), {"--probe"}, {{"NO_AT_BRIDGE", "1"}});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(Contains(result.out, "plug-in: " + TestEnvironment::BinDir() + "/roduviriz.so\n"))
        << result.out;
    // Only the module's OnInit gives these names; the host's own would be "roduviriz".
    EXPECT_TRUE(Contains(result.out, "application: Roduviriz\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "vendor: Kestova\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "export SiteRun: yes\n")) << result.out;
    EXPECT_EQ(ReadFile(TestEnvironment::BinDir() + "/roduviriz.so"), before);
}

// The proxy named by the environment, as curl reads it, carries the performer script's
// request: the request reaches it in the absolute form, for the site's web host. (A named
// site, not the placeholder, which would ask for the site before any request.)
TEST(BuiltHostTest, ProxyFromTheEnvironmentCarriesTheScriptRequest) {
    SiteSimProcess proxy;
    const std::string home = TestEnvironment::MakeTempDir("proxy-home");
    WriteFile(home + "/.Roduviriz", "[Site]\nwebHost=www.kestova.test\n");
    const std::string expected = "GET\thttp://www.kestova.test/include/js/online_performers.js";
    const std::string forms[][2] = {{"http_proxy", "http://" + proxy.HostPort() + "/"},
                                    {"all_proxy", proxy.HostPort()}};
    for (const auto& [name, value] : forms) {
        SCOPED_TRACE(name + "=" + value);
        const size_t before = proxy.LogLines().size();
        HostProcess host(TestEnvironment::HostProgram(), {},
                         {{name, value}, {"NO_AT_BRIDGE", "1"}, {"HOME", home}});
        EXPECT_TRUE(WaitFor(
            [&] {
                const auto lines = proxy.LogLines();
                for (size_t i = before; i < lines.size(); ++i)
                    if (lines[i].rfind(expected, 0) == 0)
                        return true;
                return false;
            },
            20000));
    }
}

TEST_F(HostTest, MissingPluginIsOneLineAndStatusOne) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--probe"}, {"--update"}}) {
        SCOPED_TRACE(args.empty() ? "run" : args[0]);
        ExpectOneLineFailure(RunHost(args), "not found");
    }
}

TEST_F(HostTest, BrokenPluginIsOneLineAndStatusOne) {
    WriteFile(m_plugin, "this is not a shared library\n");
    ExpectOneLineFailure(RunHost({}), "cannot load");
    ExpectOneLineFailure(RunHost({"--update"}), "cannot load");
}

TEST_F(HostTest, RunsThePluginUntilItsLastWindowIsGone) {
    UseProbePlugin();
    const auto result = RunHost({});
    EXPECT_EQ(result.status, 0) << result.err;
    // The module starts before SiteRun, and ends (at unload) after the last window closed.
    EXPECT_EQ(ProbeLog(), "OnInit\nSiteRun\nclose one\nclose two\nOnExit\n");
}

TEST_F(HostTest, PluginThatOpensNothingOrFailsEndsTheHost) {
    UseProbePlugin();
    auto result = RunHost({}, {{"ROD_PROBE_MODE", "nowindow"}});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ProbeLog(), "OnInit\nSiteRun\nOnExit\n");

    wxRemoveFile(m_log);
    result = RunHost({}, {{"ROD_PROBE_MODE", "fail"}});
    ExpectOneLineFailure(result, "SiteRun");
    EXPECT_EQ(ProbeLog(), "OnInit\nSiteRun\nOnExit\n");
}

TEST_F(HostTest, ProbeReportsWhatTheModuleSetAndTheExports) {
    UseProbePlugin();
    const auto result = RunHost({"--probe"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(Contains(result.out, "application: ProbeApp\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "export SiteRun: yes\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "export GetNewPluginFileName: yes\n")) << result.out;
    EXPECT_EQ(ProbeLog(), "OnInit\nOnExit\n");
}

TEST_F(HostTest, UpdateMovesTheNamedFileOverThePlugin) {
    UseProbePlugin();
    const std::string original = ReadFile(m_plugin);
    auto result = RunHost({"--update"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "no new plug-in\n");
    EXPECT_EQ(ReadFile(m_plugin), original);

    const std::string staged = m_plugin + ".new";
    WriteFile(staged, "the new plug-in");
    result = RunHost({"--update"}, {{"ROD_PROBE_NEW_PLUGIN", staged}});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "installed " + staged + " as " + m_plugin + "\n");
    EXPECT_EQ(ReadFile(m_plugin), "the new plug-in");
    EXPECT_FALSE(wxFileName::FileExists(staged));
    EXPECT_EQ(ProbeLog(), "OnInit\nGetNewPluginFileName\nOnExit\nOnInit\nGetNewPluginFileName\n"
                          "OnExit\n");
}

TEST_F(HostTest, UpdateThatCannotBeInstalledFails) {
    UseProbePlugin();
    const std::string original = ReadFile(m_plugin);
    const auto result =
        RunHost({"--update"}, {{"ROD_PROBE_NEW_PLUGIN", m_dir + "/vanished.so.new"}});
    ExpectOneLineFailure(result, "vanished.so.new");
    EXPECT_EQ(ReadFile(m_plugin), original);
}

// A second start asks the running program to show its window and ends at once, with status
// 0, without loading the plug-in; --update runs beside the running program.
TEST_F(HostTest, ASecondStartHandsOverAndUpdateRunsBeside) {
    UseProbePlugin();
    HostProcess first(
        m_host, {},
        {{"ROD_PROBE_LOG", m_log}, {"ROD_PROBE_MODE", "handover"}, {"NO_AT_BRIDGE", "1"}});
    ASSERT_TRUE(WaitFor([&] { return Contains(ProbeLog(), "SiteRun\n"); }, 20000));
    const auto update = RunHost({"--update"});
    EXPECT_EQ(update.status, 0) << update.err;
    EXPECT_EQ(update.out, "no new plug-in\n");

    wxStopWatch watch;
    const auto second = RunHost({});
    EXPECT_LT(watch.Time(), 1000);
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(first.Finish(10000).status, 0);
    EXPECT_EQ(ProbeLog(), "OnInit\nSiteRun\nOnInit\nGetNewPluginFileName\nOnExit\nShowMainWindow\n"
                          "OnExit\n");
}

// A second start that comes while the first has its name but not yet its answer waits for it
// (an autostart and a click at login).
TEST_F(HostTest, ASecondStartWhileTheFirstIsStartingWaitsForIt) {
    UseProbePlugin();
    HostProcess first(
        m_host, {},
        {{"ROD_PROBE_LOG", m_log}, {"ROD_PROBE_MODE", "slowstart"}, {"NO_AT_BRIDGE", "1"}});
    ASSERT_TRUE(WaitFor([&] { return Contains(ProbeLog(), "SiteRun\n"); }, 20000));
    const auto second = RunHost({});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(first.Finish(10000).status, 0);
    EXPECT_EQ(ProbeLog(), "OnInit\nSiteRun\nShowMainWindow\nOnExit\n");
}

TEST_F(HostTest, HelpAndBadOptions) {
    auto result = RunHost({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Contains(result.out, "--update")) << result.out;
    EXPECT_TRUE(Contains(result.out, "--probe")) << result.out;

    result = RunHost({"--frobnicate"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.ErrLines().size(), 1u) << result.err;
    result = RunHost({"--update", "--probe"});
    EXPECT_EQ(result.status, 2);
}
