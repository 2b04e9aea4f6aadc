// GetDifference as the refresh thread calls it on a large site: 10 000 performers against the
// next picture of 10 000, in which a tenth changed: a third left, a third arrived and a third
// changed their show.
#include "core/UserList.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int PERFORMERS = 10000;
constexpr int CHURN = PERFORMERS / 10;
constexpr int LEFT = CHURN / 3;
constexpr int ARRIVED = LEFT;
constexpr int CHANGED = CHURN - LEFT - ARRIVED;

constexpr unsigned long FREE = User::ONLINE | User::FREE;
constexpr unsigned long PUBLIC = User::ONLINE | User::BUSY | User::PUBLIC;

wxString NameOf(int i) {
    return wxString::Format("performer_%05d", i);
}

// Performers 0..9 999; the churn is spread over the whole list (every tenth performer).
struct Pictures {
    UserList older, newer;
    Pictures() {
        for (int i = 0; i < PERFORMERS; ++i)
            older.AddUser(User(NameOf(i), i % 3 ? FREE : PUBLIC));
        newer = older;
        for (int k = 0; k < CHURN; ++k) {
            const int i = k * 10;
            if (k < LEFT) {
                newer.RemoveUser(NameOf(i));
            } else if (k < LEFT + CHANGED) {
                const User& user = older.GetUser(NameOf(i));
                newer.AddUser(User(user.GetName(), user.GetStatus() == FREE ? PUBLIC : FREE));
            } else {
                newer.AddUser(User(NameOf(PERFORMERS + k), FREE));
            }
        }
    }
};

void BM_GetDifference(benchmark::State& state) {
    const Pictures pictures;
    size_t added = 0, deleted = 0, changed = 0;
    for (auto _ : state) {
        UserList a, d, c;
        pictures.older.GetDifference(pictures.newer, a, d, c);
        added = a.size();
        deleted = d.size();
        changed = c.size();
        benchmark::DoNotOptimize(added);
    }
    if (pictures.older.size() != PERFORMERS || pictures.newer.size() != PERFORMERS ||
        added != ARRIVED || deleted != LEFT || changed != CHANGED)
        state.SkipWithError("the difference is not the churn that was made");
    state.counters["added"] = static_cast<double>(added);
    state.counters["deleted"] = static_cast<double>(deleted);
    state.counters["changed"] = static_cast<double>(changed);
    state.counters["per_user_ns"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * PERFORMERS,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GetDifference)->Unit(benchmark::kMicrosecond);

} // namespace
