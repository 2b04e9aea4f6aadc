// A flood of 1 000 performers in one refresh, as the refresh thread posts it: each one added to
// the all-users tree and announced to the pop-up manager. While the GUI thread takes the queued
// events in, the main window cannot repaint: the time for the whole flood is the longest a
// repaint waits. Also counted: the windows the flood made (the pop-ups that fit and one
// summary, never one a performer).
#include "core/SiteEndpoints.h"
#include "core/UserListEvent.h"
#include "resources/ImageStore.h"
#include "ui/popup/PopupDialog.h"
#include "ui/popup/PopupDialogManager.h"
#include "ui/popup/PopupSummary.h"
#include "ui/popup/ThumbnailQueue.h"
#include "ui/trees/AllTreeCtrl.h"

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <memory>

namespace {

constexpr int FLOOD = 1000;
constexpr int ONLINE_BEFORE = 200;
constexpr unsigned long FREE = User::ONLINE | User::FREE | User::PUBLIC;
// Who gets the flood (the argument): both, as in the program, or one of them alone.
constexpr int TO_TREE = 1;
constexpr int TO_MANAGER = 2;

wxString NameOf(int i) {
    return wxString::Format("performer_%05d", i);
}

void Settle() {
    wxTheApp->ProcessPendingEvents();
    wxTheApp->Yield(true);
}

int OurWindows() {
    int count = 0;
    for (wxWindow* window : wxTopLevelWindows)
        count += (dynamic_cast<PopupDialog*>(window) || dynamic_cast<PopupSummary*>(window)) &&
                 !window->IsBeingDeleted();
    return count;
}

// Settings of the benchmark's own under a private HOME, never the user's; thumbnails are asked
// of a port where nobody listens, so that the downloads end at once.
class PrivateSettings {
public:
    PrivateSettings() : m_home(wxFileName::CreateTempFileName("rod-flood-bench")) {
        wxRemoveFile(m_home);
        wxMkdir(m_home);
        wxGetEnv("HOME", &m_oldHome);
        wxSetEnv("HOME", m_home);
        ImageStore::GetConfig()->Write("/Site/imageHost", "127.0.0.1:9");
        SiteEndpoints::Load();
    }
    ~PrivateSettings() {
        ConfigAccess::Release();
        wxSetEnv("HOME", m_oldHome);
        wxFileName::Rmdir(m_home, wxPATH_RMDIR_RECURSIVE);
    }

private:
    wxString m_home;
    wxString m_oldHome;
};

void BM_FloodOfAThousand(benchmark::State& state) {
    PrivateSettings settings;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(0, 0), wxSize(240, 480));
    auto* tree = new AllTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxTR_HAS_BUTTONS | wxTR_HIDE_ROOT | wxSUNKEN_BORDER);
    frame->Show();
    UserList before;
    for (int i = 0; i < ONLINE_BEFORE; ++i)
        before.AddUser(User(NameOf(FLOOD + i), FREE));
    UserListEvent first(wxEVT_USER_LIST_INITIALIZED, -1);
    first.SetUserList(before);
    static_cast<wxEvtHandler*>(tree)->ProcessEvent(first);
    Settle();
    int windows = 0;

    for (auto _ : state) {
        state.PauseTiming();
        auto manager = std::make_unique<PopupDialogManager>();
        for (int i = 0; i < FLOOD; ++i) {
            UserEvent added(User(NameOf(i), FREE), wxEVT_USER_ADDED, UserEvent::NO_OLD_STATUS);
            added.SetListNumber(2);
            if (state.range(0) & TO_TREE)
                static_cast<wxEvtHandler*>(tree)->AddPendingEvent(added);
            if (state.range(0) & TO_MANAGER)
                manager->AddPendingEvent(added);
        }
        state.ResumeTiming();

        wxTheApp->ProcessPendingEvents();

        state.PauseTiming();
        windows = OurWindows();
        manager.reset();
        for (int i = 0; i < FLOOD && (state.range(0) & TO_TREE); ++i) {
            UserEvent gone(User(NameOf(i), FREE), wxEVT_USER_DELETED, UserEvent::NO_OLD_STATUS);
            static_cast<wxEvtHandler*>(tree)->ProcessEvent(gone);
        }
        wxStopWatch wait;
        while ((ThumbnailQueue::Running() > 0 || OurWindows() > 0) && wait.Time() < 10000)
            Settle();
        state.ResumeTiming();
    }
    state.counters["windows"] = windows;
    state.counters["per_event"] = benchmark::Counter(
        FLOOD, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    frame->Destroy();
    Settle();
}
BENCHMARK(BM_FloodOfAThousand)
    ->Arg(TO_TREE | TO_MANAGER)
    ->Arg(TO_TREE)
    ->Arg(TO_MANAGER)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

} // namespace
