#include "core/KestovaSite.h"

#include "core/HttpGet.h"
#include "core/PerformerScriptParser.h"
#include "core/SiteEndpoints.h"
#include "resources/ConfigAccess.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/protocol/http.h>
#include <wx/socket.h>
#include <wx/thread.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>
#include <mutex>

wxIMPLEMENT_DYNAMIC_CLASS(KestovaSite, wxModule);

namespace {

const char SCRIPT_PATH[] = "/include/js/online_performers.js";
const int SCRIPT_TIMEOUT_SECONDS = 3;
const int FAILURES_BEFORE_GIVING_UP = 10;
const int FIRST_RETRY_MS = 1000;
const long DEFAULT_SYNC_SECONDS = 10;
const long DEFAULT_PARSE_PAUSE_MS = 10;
const long MAX_PARSE_PAUSE_MS = 100;

// Consecutive downloads without a usable answer, and the wait after the last one. The refresh
// thread is their one user; tests drive the site from the main thread, hence atomics.
std::atomic<int> g_failures{0};
std::atomic<int> g_retryDelayMs{FIRST_RETRY_MS};
bool g_socketsInitialised = false;
std::atomic<KestovaSite::HttpClientFactory> g_httpFactory{nullptr};

// The compiled expressions keep match state: one parser, one download at a time.
std::mutex g_parserGuard;
PerformerScriptParser& Parser() {
    static PerformerScriptParser parser;
    return parser;
}

enum class Fetch { COMPLETE, FAILED, ABANDONED };

// Worker-thread conditions only: the main thread (tests) and threads the toolkit does not
// know neither pause nor get asked to stop.
wxThread* CurrentWorker() {
    return wxThread::IsMain() ? nullptr : wxThread::This();
}

bool StopRequested() {
    wxThread* worker = CurrentWorker();
    return worker && worker->TestDestroy();
}

// The rest after each stored performer keeps the refresh thread from monopolising the
// processor, at the price of a later list. Out of range or not a number: the default.
long ParsePauseMs() {
    const long ms = ImageStore::GetConfig()->Read("/System/parsePause", DEFAULT_PARSE_PAUSE_MS);
    return ms < 0 || ms > MAX_PARSE_PAUSE_MS ? DEFAULT_PARSE_PAUSE_MS : ms;
}

// Also where a long parse notices a shutdown, with or without a rest.
bool PauseAfterStoredPerformer(long pauseMs) {
    wxThread* worker = CurrentWorker();
    if (!worker)
        return true;
    if (pauseMs > 0)
        wxThread::Sleep(static_cast<unsigned long>(pauseMs));
    return !worker->TestDestroy();
}

Fetch FetchScript(UserList& result) {
    wxLogTrace(ROD_TRACE, "[static]KestovaSite::FetchScript(%s)",
               SiteEndpoints::WebUrl(SCRIPT_PATH));
    // Declared before the stream, which reads from the client's connection: destroyed after it.
    // Without the network library's client (tests of the core alone) the toolkit's serves.
    const KestovaSite::HttpClientFactory factory = g_httpFactory;
    std::unique_ptr<wxHTTP> client(factory ? factory() : new wxHTTP);
    client->SetTimeout(SCRIPT_TIMEOUT_SECONDS);
    // A blocking socket is never handed to the GUI thread's event loop, which would
    // otherwise read from it too while the refresh thread waits.
    client->SetFlags(wxSOCKET_BLOCK | wxSOCKET_WAITALL);
    std::unique_ptr<wxInputStream> in(HttpGet::Open(*client, SiteEndpoints::WebUrl(SCRIPT_PATH)));
    if (!in)
        return StopRequested() ? Fetch::ABANDONED : Fetch::FAILED;

    // A peer that closes early ends the stream just like a complete body does; only the
    // announced length tells a cut transfer from a short script.
    unsigned long long announced = 0;
    const bool hasLength = client->GetHeader("Content-Length").ToULongLong(&announced);

    const long pauseMs = ParsePauseMs();
    const PerformerScriptParser::StoredHook stored = [pauseMs] {
        return PauseAfterStoredPerformer(pauseMs);
    };
    std::lock_guard<std::mutex> lock(g_parserGuard);
    PerformerScriptParser& parser = Parser();
    parser.Reset();
    char buffer[4096];
    unsigned long long received = 0;
    for (;;) {
        size_t wanted = sizeof buffer;
        if (hasLength) {
            if (received >= announced)
                break;
            // Never ask past the body: a kept-alive connection would block until time-out.
            wanted =
                static_cast<size_t>(std::min<unsigned long long>(wanted, announced - received));
        }
        in->Read(buffer, wanted);
        const size_t got = in->LastRead();
        received += got;
        if (!parser.Feed(buffer, got, stored) || StopRequested())
            return Fetch::ABANDONED;
        const wxStreamError error = in->GetLastError();
        if (error == wxSTREAM_EOF || (error == wxSTREAM_NO_ERROR && got == 0))
            break;
        if (error != wxSTREAM_NO_ERROR)
            return Fetch::FAILED;
    }
    if (hasLength && received < announced)
        return Fetch::FAILED;
    if (!parser.Finish(stored))
        return Fetch::ABANDONED;
    result = parser.GetUserList();
    return Fetch::COMPLETE;
}

// GUI thread only.
void ShowNoResponse() {
    wxMessageBox(wxString::Format("%s\n%s", _("Could not get response from server"),
                                  _("Please execute it after a while.")),
                 _("Error"), wxOK | wxCENTRE | wxICON_ERROR);
}

// GUI thread only: the main frame answers by closing the user interface.
void PostExitToTopWindow() {
    auto* app = dynamic_cast<wxApp*>(wxAppConsole::GetInstance());
    wxWindow* top = app ? app->GetTopWindow() : nullptr;
    if (!top)
        return;
    wxCommandEvent exit(wxEVT_COMMAND_MENU_SELECTED, wxID_EXIT);
    top->GetEventHandler()->AddPendingEvent(exit);
}

// What the waiting thread and the GUI thread's call share; the call may run after the
// thread stopped waiting, so neither owns it alone.
struct BoxHandOver {
    wxSemaphore closed{0, 1};
    std::atomic<bool> abandoned{false};
};

// The box goes up on the GUI thread while the calling thread waits for it to close. The
// wait gives up when the thread is asked to stop, so that a shutdown never hangs here.
void GiveUpWithBox() {
    if (wxThread::IsMain()) {
        ShowNoResponse();
        PostExitToTopWindow();
        return;
    }
    wxAppConsole* app = wxAppConsole::GetInstance();
    if (!app)
        return;
    auto handOver = std::make_shared<BoxHandOver>();
    app->CallAfter([handOver] {
        if (!handOver->abandoned) {
            ShowNoResponse();
            if (!handOver->abandoned)
                PostExitToTopWindow();
        }
        handOver->closed.Post();
    });
    while (handOver->closed.WaitTimeout(100) == wxSEMA_TIMEOUT) {
        if (StopRequested()) {
            handOver->abandoned = true;
            return;
        }
    }
}

int SyncIntervalMs() {
    const long seconds =
        ImageStore::GetConfig()->Read("/System/syncinterval", DEFAULT_SYNC_SECONDS);
    // 0 would make the refresh thread download without pause and never post anything.
    return static_cast<int>(std::clamp(seconds, 1L, static_cast<long>(INT_MAX / 1000)) * 1000);
}

// Retrying at once would make a short outage ten failures within milliseconds and hammer a
// site that is coming back: the wait doubles from 1 s up to the refresh interval. The tenth
// failure in a row gives up (the refresh thread then downloads nothing more).
void CountFailureThenBackOffOrGiveUp() {
    const int failures = ++g_failures;
    if (failures >= FAILURES_BEFORE_GIVING_UP) {
        g_failures = 0;
        g_retryDelayMs = Site::GAVE_UP;
        GiveUpWithBox();
    } else {
        g_retryDelayMs = std::min(FIRST_RETRY_MS << (failures - 1), SyncIntervalMs());
    }
}

} // namespace

// The proxy is the network library's affair (HttpProxy): its client takes the road.
KestovaSite::KestovaSite() {
    wxLogTrace(ROD_TRACE, "[%p]KestovaSite::KestovaSite(void)", static_cast<void*>(this));
}

int KestovaSite::UpdateUserList() {
    wxLogTrace(ROD_TRACE, "[%p]KestovaSite::UpdateUserList(void)", static_cast<void*>(this));
    UserList fresh;
    switch (FetchScript(fresh)) {
    case Fetch::ABANDONED:
        return 0;
    case Fetch::FAILED:
        CountFailureThenBackOffOrGiveUp();
        return 0;
    case Fetch::COMPLETE:
        break;
    }
    g_failures = 0;
    SetUserList(fresh);
    return SyncIntervalMs();
}

int KestovaSite::GetRetryDelay() const {
    return g_retryDelayMs;
}

void KestovaSite::SetHttpClientFactory(HttpClientFactory factory) {
    g_httpFactory = factory;
}

bool KestovaSite::OnInit() {
    wxLogTrace(ROD_TRACE, "[%p]KestovaSite::OnInit(void)", static_cast<void*>(this));
    // Names where the settings live: before the first setting is read. (The application
    // object may be a console one, in tests.)
    if (wxAppConsole* app = wxAppConsole::GetInstance()) {
        app->SetVendorName("Kestova");
        app->SetAppName("Roduviriz");
    }
    // Worker threads use sockets; the toolkit sets them up on the main thread only.
    g_socketsInitialised = wxSocketBase::Initialize();
    SiteEndpoints::Load();
    return true;
}

void KestovaSite::OnExit() {
    wxLogTrace(ROD_TRACE, "[%p]KestovaSite::OnExit(void)", static_cast<void*>(this));
    ImageStore::DeleteInstance();
    ConfigAccess::Release();
    if (g_socketsInitialised) {
        wxSocketBase::Shutdown();
        g_socketsInitialised = false;
    }
}
