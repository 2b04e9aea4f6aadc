// The history: what recording a refresh of 10 000 changes costs the GUI thread (the recorder
// builds the batch and queues it; the writer's thread commits it meanwhile, timed apart), and
// how big 90 days of 50 favourites make the file. Runs in a private home of its own: the
// settings and files of the user are never touched.
#include "core/UserListEvent.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "resources/ImageStore.h"
#include "tools/historygen/HistoryGenerator.h"

#include <benchmark/benchmark.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace {

constexpr int CHANGES = 10000;
constexpr unsigned long FREE = User::ONLINE | User::FREE | User::PUBLIC;
constexpr unsigned long BUSY = User::ONLINE | User::BUSY | User::PRIVATE;

// A new folder in a private home, made once per run.
std::string NewFolder() {
    static const std::string home = [] {
        char pattern[] = "/tmp/rodbench-XXXXXX";
        const std::string made = mkdtemp(pattern) ? pattern : "/tmp";
        setenv("HOME", made.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (made + "/.config").c_str(), 1);
        setenv("XDG_DATA_HOME", (made + "/.local/share").c_str(), 1);
        return made;
    }();
    static int count = 0;
    const std::string folder = home + "/run" + std::to_string(++count);
    wxFileName::Mkdir(folder, 0700, wxPATH_MKDIR_FULL);
    return folder;
}

long long FileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : 0;
}

wxString NameOf(int i) {
    return wxString::Format("performer_%05d", i);
}

// Argument 0: 10 000 performers online go from free to busy or back. Argument 1: 5 000 leave
// and 5 000 others come.
void BM_RecordTenThousandChanges(benchmark::State& state) {
    const std::string folder = NewFolder();
    ImageStore::GetConfig()->Write("/History/scope", "all");
    HistoryStore store;
    if (store.Open(folder + "/history.sqlite3") != HistoryStore::RECORDING) {
        state.SkipWithError(store.GetProblem().utf8_str());
        return;
    }
    HistoryRecorder recorder(store);
    const bool comings = state.range(0) == 1;
    UserList lists[2];
    for (int i = 0; i < CHANGES; ++i) {
        if (comings)
            lists[i % 2].AddUser(User(NameOf(i), FREE));
        else
            for (int which = 0; which < 2; ++which)
                lists[which].AddUser(User(NameOf(i), which ? BUSY : FREE));
    }
    wxDateTime time = wxDateTime::Now();
    const auto post = [&](int which) {
        UserListEvent refreshed(wxEVT_USER_LIST_REFRESHED, -1);
        refreshed.SetUserList(lists[which]);
        refreshed.SetTime(time += wxTimeSpan::Seconds(10));
        recorder.ProcessEvent(refreshed);
    };
    post(1);
    store.WaitUntilWritten(60000);

    double writerMs = 0;
    int which = 0;
    for (auto _ : state) {
        state.PauseTiming();
        UserListEvent refreshed(wxEVT_USER_LIST_REFRESHED, -1);
        refreshed.SetUserList(lists[which]);
        refreshed.SetTime(time += wxTimeSpan::Seconds(10));
        state.ResumeTiming();

        recorder.ProcessEvent(refreshed);

        state.PauseTiming();
        const auto queued = std::chrono::steady_clock::now();
        store.WaitUntilWritten(60000);
        writerMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - queued)
                .count();
        which = 1 - which;
        state.ResumeTiming();
    }
    state.counters["writer_ms"] = benchmark::Counter(writerMs, benchmark::Counter::kAvgIterations);
    state.counters["commits"] = static_cast<double>(store.GetCommits());
    state.counters["file_MB"] = FileSize(folder + "/history.sqlite3") / 1e6;
    ImageStore::GetConfig()->DeleteEntry("/History/scope");
}
BENCHMARK(BM_RecordTenThousandChanges)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// 90 days of 50 favourites as the generator makes them, one list a minute while the program
// watches (9:00 to 2:00); argument: the mean minutes between two changes of free and busy
// (20 as the generator's habit, 5 for a restless lot). The file's size once closed.
void BM_NinetyDaysOfFifty(benchmark::State& state) {
    for (auto _ : state) {
        const std::string path = NewFolder() + "/history.sqlite3";
        HistoryGenerator::Options options;
        for (int i = 0; i < 50; ++i)
            options.names.push_back(NameOf(i).utf8_string());
        options.days = 90;
        options.now = wxDateTime::Now().GetTicks();
        options.stepSeconds = 60;
        options.meanStatusMinutes = static_cast<int>(state.range(0));
        HistoryGenerator::Totals totals;
        {
            HistoryStore store;
            if (store.Open(path) != HistoryStore::RECORDING ||
                !HistoryGenerator::Generate(store, options, &totals)) {
                state.SkipWithError("the history could not be written");
                return;
            }
        }
        state.counters["sessions"] = static_cast<double>(totals.sessions);
        state.counters["changes"] = static_cast<double>(totals.changes);
        state.counters["lists"] = static_cast<double>(totals.lists);
        state.counters["file_MB"] = (FileSize(path) + FileSize(path + "-wal")) / 1e6;
    }
}
BENCHMARK(BM_NinetyDaysOfFifty)->Arg(20)->Arg(5)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
