// The refresh of big lists with the default settings, on the refresh thread against the
// simulated site over loopback: how soon a list of 5 000 is ready after its download began
// (the goal: within 1.5 s), and how much of a core the refresh thread takes over a minute of
// 1-s polls of a population of 5 000 that moves every second (the goal: under 5 %).
#include "core/DaemonThread.h"
#include "core/KestovaSite.h"
#include "net/CurlSession.h"
#include "net/wxHTTP2.h"
#include "resources/ImageStore.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/utils.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>

#include <pthread.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int PERFORMERS = 5000;

// Settings, history and log under a private HOME, never the user's: before main, so before
// the plug-in's module opens them.
const bool g_privateHome = [] {
    TestEnvironment::Prepare();
    setenv("XDG_STATE_HOME", (TestEnvironment::Home() + "/.local/state").c_str(), 1);
    std::atexit(TestEnvironment::CleanUp);
    return true;
}();

// A script of the site's shape; round tells two lists apart, so that each one comes whole.
std::string Script(int round) {
    std::string out = "var online_performers = new PerformerSet('online');\n";
    for (int i = 0; i < PERFORMERS; ++i) {
        const std::string name = "crowd_" + std::to_string(i);
        out += "var " + name + " = new Performer('" + name + "');\n" + name +
               ".viewers = " + std::to_string((i + round) % 300) + ";\nonline_performers.add(" +
               name + ");\n" + (i % 3 ? "free" : "busy") + "_performers.add(" + name + ");\n";
    }
    return out;
}

// Runs the site's UpdateUserList once on a toolkit thread (where the parse rests), timed.
class TimedRefresh : public wxThread {
public:
    explicit TimedRefresh(Site* site) : wxThread(wxTHREAD_JOINABLE), m_site(site) {}
    std::chrono::milliseconds elapsed{0};
    int result = 0;

protected:
    ExitCode Entry() override {
        const Clock::time_point start = Clock::now();
        result = m_site->UpdateUserList();
        elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        return nullptr;
    }

private:
    Site* m_site;
};

void UseSite(const SiteSimProcess& site) {
    (void)g_privateHome;
    CurlSession::Initialise();
    KestovaSite::SetHttpClientFactory([]() -> HttpClient* { return new wxHTTP2; });
    TestEnvironment::ResetConfig();
    site.UseAsSite();
}

void BM_ListOf5000Ready(benchmark::State& state) {
    SiteSimProcess site;
    UseSite(site);
    const std::string dir = TestEnvironment::MakeTempDir("refresh-bench");
    int round = 0;
    for (auto _ : state) {
        const std::string file = dir + "/script" + std::to_string(++round) + ".js";
        std::ofstream(file) << Script(round);
        site.Get("/_control/script?file=" + file);
        TimedRefresh refresh(Site::GetInstance());
        refresh.Run();
        refresh.Wait();
        if (refresh.result <= 0 || Site::GetInstance()->GetUserList().size() != PERFORMERS)
            state.SkipWithError("the list did not come whole");
        state.SetIterationTime(std::chrono::duration<double>(refresh.elapsed).count());
    }
}
BENCHMARK(BM_ListOf5000Ready)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void BM_RefreshThreadOverAMinute(benchmark::State& state) {
    SiteSimProcess site({"--performers", std::to_string(PERFORMERS), "--tick", "1"});
    UseSite(site);
    ImageStore::GetConfig()->Write("/System/syncinterval", 1L);
    for (auto _ : state) {
        wxEvtHandler listener;
        DaemonThread thread(Site::GetInstance());
        thread.AddEventHandler(&listener);
        thread.Run();
        clockid_t cpu;
        pthread_getcpuclockid(static_cast<pthread_t>(thread.GetId()), &cpu);
        const Clock::time_point start = Clock::now();
        while (Clock::now() - start < std::chrono::seconds(60)) {
            wxMilliSleep(100);
            listener.DeletePendingEvents();
        }
        timespec used{};
        clock_gettime(cpu, &used);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        thread.Delete();
        state.SetIterationTime(seconds);
        state.counters["cpu_percent"] =
            100.0 * (static_cast<double>(used.tv_sec) + used.tv_nsec / 1e9) / seconds;
        state.counters["performers"] =
            static_cast<double>(Site::GetInstance()->GetUserList().size());
    }
}
BENCHMARK(BM_RefreshThreadOverAMinute)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);

} // namespace
