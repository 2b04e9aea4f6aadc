// The trees under refresh load: an all-users tree of 5 000 rows taking one refresh of 500
// changes and 100 deletions (and, sorted by name, 100 arrivals besides), its first list, and a
// favourites rebuild of 500 names.
#include "core/UserListEvent.h"
#include "ui/trees/AllTreeCtrl.h"
#include "ui/trees/FavoriteTreeCtrl.h"

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/frame.h>

#include <vector>

namespace {

constexpr int ROWS = 5000;
constexpr int CHANGES = 500;
constexpr int DELETES = 100;
constexpr int FAVORITES = 500;

constexpr long TREE_STYLE =
    wxTR_HAS_BUTTONS | wxTR_NO_LINES | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxSUNKEN_BORDER;
constexpr unsigned long FREE = User::ONLINE | User::FREE;
constexpr unsigned long BUSY = User::ONLINE | User::BUSY | User::PUBLIC;

wxString NameOf(int i) {
    return wxString::Format("performer_%05d", i);
}

UserList Performers(int count) {
    UserList list;
    for (int i = 0; i < count; ++i)
        list.AddUser(User(NameOf(i), i % 3 ? FREE : BUSY));
    return list;
}

// A shown frame with one tree filling it, as on the main frame's page.
template <typename Tree>
class TreeWindow {
public:
    TreeWindow() {
        m_frame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(0, 0), wxSize(320, 600));
        tree = new Tree(m_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, TREE_STYLE);
        m_frame->Show();
        Settle();
    }
    ~TreeWindow() {
        m_frame->Destroy();
        Settle();
    }
    // Lets layout and painting happen, outside the measured time.
    static void Settle() {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->Yield(true);
    }
    Tree* tree;

private:
    wxFrame* m_frame;
};

void SendList(wxEvtHandler* tree, const UserList& list) {
    UserListEvent event(wxEVT_USER_LIST_INITIALIZED, -1);
    event.SetUserList(list);
    tree->ProcessEvent(event);
}

// One refresh as the refresh thread posts it: changes spread over the whole tree, and
// deletions; the deleted performers come back between iterations (so they sit at the end).
// Sorted by name, they come back within the refresh instead, each to its place among the rows.
void RunAllTreeRefresh(benchmark::State& state, bool sorted) {
    TreeWindow<AllTreeCtrl> window;
    window.tree->SetSortByName(sorted);
    SendList(window.tree, Performers(ROWS));
    std::vector<int> changed, deleted;
    for (int i = 0; i < CHANGES; ++i)
        changed.push_back(i * (ROWS / CHANGES));
    for (int i = 0; i < DELETES; ++i)
        deleted.push_back(i * (ROWS / DELETES) + 7);
    bool toBusy = true;
    const auto comeBack = [&] {
        for (int i : deleted)
            static_cast<wxEvtHandler*>(window.tree)
                ->AddPendingEvent(
                    UserEvent(User(NameOf(i), FREE), wxEVT_USER_ADDED, UserEvent::NO_OLD_STATUS));
    };

    for (auto _ : state) {
        state.PauseTiming();
        for (int i : changed)
            static_cast<wxEvtHandler*>(window.tree)
                ->AddPendingEvent(
                    UserEvent(User(NameOf(i), toBusy ? BUSY : FREE), wxEVT_USER_CHANGED, FREE));
        for (int i : deleted)
            static_cast<wxEvtHandler*>(window.tree)
                ->AddPendingEvent(
                    UserEvent(User(NameOf(i), FREE), wxEVT_USER_DELETED, UserEvent::NO_OLD_STATUS));
        if (sorted)
            comeBack();
        toBusy = !toBusy;
        state.ResumeTiming();

        wxTheApp->ProcessPendingEvents();

        state.PauseTiming();
        if (!sorted) {
            comeBack();
            wxTheApp->ProcessPendingEvents();
        }
        window.Settle();
        state.ResumeTiming();
    }
    const int events = CHANGES + DELETES + (sorted ? DELETES : 0);
    state.counters["per_event"] = benchmark::Counter(
        events, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["rows"] = window.tree->GetChildrenCount(window.tree->GetGroupItem());
}

void BM_AllTreeRefresh(benchmark::State& state) {
    RunAllTreeRefresh(state, false);
}
BENCHMARK(BM_AllTreeRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SortedAllTreeRefresh(benchmark::State& state) {
    RunAllTreeRefresh(state, true);
}
BENCHMARK(BM_SortedAllTreeRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();

// The refresh thread's first list, as the tree gets it at start.
void BM_AllTreeFirstList(benchmark::State& state) {
    const UserList performers = Performers(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto* window = new TreeWindow<AllTreeCtrl>;
        state.ResumeTiming();
        SendList(window->tree, performers);
        state.PauseTiming();
        delete window;
        state.ResumeTiming();
    }
    state.counters["per_row"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}
BENCHMARK(BM_AllTreeFirstList)
    ->Arg(500)
    ->Arg(ROWS)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// A favourites download: both groups rebuilt from a list of 500 names, half of them online.
void BM_FavoriteRebuild(benchmark::State& state) {
    TreeWindow<FavoriteTreeCtrl> window;
    window.tree->CreateGroups();
    UserList favorites;
    for (int i = 0; i < FAVORITES; ++i)
        favorites.AddUser(User(NameOf(i), i % 2 ? 0 : (i % 4 ? FREE : BUSY)));
    for (auto _ : state)
        SendList(window.tree, favorites);
    state.counters["per_name"] = benchmark::Counter(
        FAVORITES, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FavoriteRebuild)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
