#include "core/KestovaSite.h"

#include "core/ConnectionStatus.h"
#include "core/HttpGet.h"
#include "core/LinkState.h"
#include "core/ListDropGuard.h"
#include "core/PerformerScriptParser.h"
#include "core/RetryAfter.h"
#include "core/SiteEndpoints.h"
#include "resources/ConfigAccess.h"
#include "resources/EventLog.h"
#include "resources/GioPending.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/socket.h>
#include <wx/thread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <memory>
#include <mutex>
#include <optional>

wxIMPLEMENT_DYNAMIC_CLASS(KestovaSite, wxModule);

namespace {

const char SCRIPT_PATH[] = "/include/js/online_performers.js";
// Where the refresh's lines in the log come from.
const char LOG_PLACE[] = "performer list";
const int SCRIPT_TIMEOUT_SECONDS = 3;
const int FAILURES_BEFORE_GIVING_UP = 10;
const int FIRST_RETRY_MS = 1000;
const int GIO_DRAIN_MS = 1000;
const long DEFAULT_SYNC_SECONDS = 10;
const long DEFAULT_PARSE_PAUSE_MS = 10;
const long MAX_PARSE_PAUSE_MS = 100;

// Consecutive downloads that the site did not answer (toward giving up), consecutive failed
// downloads of any kind (for the back-off), and the wait after the last one. The refresh
// thread is their one user; tests drive the site from the main thread, hence atomics.
std::atomic<int> g_failures{0};
std::atomic<int> g_failedInARow{0};
std::atomic<int> g_retryDelayMs{FIRST_RETRY_MS};
bool g_socketsInitialised = false;
std::atomic<KestovaSite::HttpClientFactory> g_httpFactory{nullptr};

// What the last complete list was validated by, so that an unchanged list is not sent again.
struct Validators {
    wxString address;
    wxString etag;
    wxString lastModified;
};

// One refresh at a time: the kept client, the validators and the parser (whose compiled
// expressions keep match state) belong to the refresh under way.
std::mutex g_fetchGuard;
std::unique_ptr<HttpClient> g_client;
Validators g_validators;
ListDropGuard g_dropGuard;
// The performers of the list in effect, for the guard.
size_t g_taken = 0;

PerformerScriptParser& Parser() {
    static PerformerScriptParser parser;
    return parser;
}

enum class Fetch {
    COMPLETE,
    UNCHANGED,
    HELD, // read whole, but kept back by the drop guard
    FAILED,
    NOT_A_LIST,   // the site answered, with something else
    TOLD_TO_WAIT, // the site answered 429 or 503 with a "Retry-After"
    ABANDONED,
};

FailureReason NotAList(const wxString& what) {
    return FailureReason(FailureReason::Kind::UNREADABLE, "not a performer list (" + what + ")");
}

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

int SyncIntervalMs() {
    const long seconds =
        ImageStore::GetConfig()->Read("/System/syncinterval", DEFAULT_SYNC_SECONDS);
    // 0 would make the refresh thread download without pause and never post anything.
    return static_cast<int>(std::clamp(seconds, 1L, static_cast<long>(INT_MAX / 1000)) * 1000);
}

using Clock = std::chrono::steady_clock;

// Also where a long parse notices a shutdown, with or without a rest. The rests of one list
// (rested so far) stop at budget, a tenth of the refresh interval: at 10 ms a list of 5 000
// would otherwise be ready 50 s late, behind the site by several refreshes.
bool PauseAfterStoredPerformer(long pauseMs, Clock::duration budget, Clock::duration& rested) {
    wxThread* worker = CurrentWorker();
    if (!worker)
        return true;
    if (pauseMs > 0 && rested < budget) {
        const Clock::time_point start = Clock::now();
        const auto rest =
            std::min<Clock::duration>(std::chrono::milliseconds(pauseMs), budget - rested);
        wxThread::Sleep(
            static_cast<unsigned long>(std::chrono::ceil<std::chrono::milliseconds>(rest).count()));
        rested += Clock::now() - start;
    }
    return !worker->TestDestroy();
}

// Under g_fetchGuard: the kept client, made on first use.
HttpClient* Client() {
    if (!g_client) {
        const KestovaSite::HttpClientFactory factory = g_httpFactory;
        if (factory)
            g_client.reset(factory());
    }
    return g_client.get();
}

// A 429 or a 503 that says how long to wait: that wait, else nothing.
std::optional<std::chrono::seconds> AskedToWait(HttpClient& client) {
    const int status = client.GetResponse();
    const wxString value = client.GetHeader("Retry-After");
    if ((status != 429 && status != 503) || value.empty())
        return std::nullopt;
    const wxDateTime sent = RetryAfter::ParseDate(client.GetHeader("Date"));
    return RetryAfter::Parse(value, sent.IsValid() ? sent : wxDateTime::Now());
}

Fetch FetchScript(UserList& result, FailureReason* why, std::chrono::seconds* wait) {
    // Read once: the preferences may change the host meanwhile.
    const wxString address = SiteEndpoints::WebUrl(SCRIPT_PATH);
    wxLogTrace(ROD_TRACE, "[static]KestovaSite::FetchScript(%s)", address);
    std::lock_guard<std::mutex> lock(g_fetchGuard);
    HttpClient* client = Client();
    if (!client) {
        *why = FailureReason(FailureReason::Kind::OTHER, "no HTTP client");
        return Fetch::FAILED;
    }
    client->SetTimeout(SCRIPT_TIMEOUT_SECONDS);
    const bool conditional = g_validators.address == address;
    if (conditional && !g_validators.etag.empty())
        client->SetHeader("If-None-Match", g_validators.etag);
    if (conditional && !g_validators.lastModified.empty())
        client->SetHeader("If-Modified-Since", g_validators.lastModified);
    // Released before the client it reads from.
    std::unique_ptr<wxInputStream> in(HttpGet::Open(*client, address, why));
    if (!in) {
        if (conditional && client->GetResponse() == 304) {
            g_dropGuard.Unchanged();
            return Fetch::UNCHANGED;
        }
        if (const auto asked = AskedToWait(*client)) {
            *wait = *asked;
            return Fetch::TOLD_TO_WAIT;
        }
        return StopRequested() ? Fetch::ABANDONED : Fetch::FAILED;
    }
    // A maintenance page or a portal's, read as a script, would be a list of nobody.
    const wxString type =
        client->GetHeader("Content-Type").BeforeFirst(';').Strip(wxString::both).Lower();
    if (type == "text/html" || type == "application/xhtml+xml") {
        *why = NotAList(type);
        return Fetch::NOT_A_LIST;
    }
    const Validators fresh{address, client->GetHeader("ETag"), client->GetHeader("Last-Modified")};

    const long pauseMs = ParsePauseMs();
    const Clock::duration budget = std::chrono::milliseconds(SyncIntervalMs() / 10);
    Clock::duration rested{};
    const PerformerScriptParser::StoredHook stored = [pauseMs, budget, &rested] {
        return PauseAfterStoredPerformer(pauseMs, budget, rested);
    };
    PerformerScriptParser& parser = Parser();
    parser.Reset();
    char buffer[4096];
    bool anything = false;
    for (;;) {
        in->Read(buffer, sizeof buffer);
        anything = anything || in->LastRead() > 0;
        if (!parser.Feed(buffer, in->LastRead(), stored) || StopRequested())
            return Fetch::ABANDONED;
        // The stream ends only where the body is whole; a cut or late one is a read error.
        const wxStreamError error = in->GetLastError();
        if (error == wxSTREAM_EOF)
            break;
        if (error != wxSTREAM_NO_ERROR) {
            *why = client->GetFailure();
            if (why->GetKind() == FailureReason::Kind::UNREADABLE)
                *why = FailureReason(
                    FailureReason::Kind::UNREADABLE,
                    wxString::Format("unreadable at line %zu: ", parser.GetLinesRead() + 1) +
                        why->GetText());
            return StopRequested() ? Fetch::ABANDONED : Fetch::FAILED;
        }
    }
    if (!parser.Finish(stored))
        return Fetch::ABANDONED;
    // The site's script has its preamble even when nobody is online.
    if (!anything) {
        *why = NotAList("empty body");
        return Fetch::NOT_A_LIST;
    }
    result = parser.GetUserList();
    switch (g_dropGuard.Judge(g_taken, result.size())) {
    case ListDropGuard::Verdict::HOLD:
        // Not validated by it either: the next request asks for the list whole.
        wxLogWarning("%s: %zu performers after %zu, held until the next list confirms it",
                     LOG_PLACE, result.size(), g_taken);
        return Fetch::HELD;
    case ListDropGuard::Verdict::CONFIRM:
        wxLogWarning("%s: %zu performers after %zu, confirmed", LOG_PLACE, result.size(), g_taken);
        break;
    case ListDropGuard::Verdict::TAKE:
        break;
    }
    g_taken = result.size();
    g_validators = fresh;
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

// Retrying at once would make a short outage ten failures within milliseconds and hammer a
// site that is coming back: the wait doubles from 1 s up to the refresh interval. The tenth
// failure in a row that the site did not answer gives up (the refresh thread then downloads
// nothing more); one that it answered (a page that is no list) ends such a run, since the
// site is there. Each failure is logged with its reason (the log folds a run of the same one).
void CountFailureThenBackOffOrGiveUp(const FailureReason& why, bool answered) {
    const int inARow = ++g_failedInARow;
    const int failures = answered ? (g_failures = 0) : ++g_failures;
    wxLogWarning("%s: %s", LOG_PLACE, why.GetText());
    if (failures >= FAILURES_BEFORE_GIVING_UP) {
        g_failures = 0;
        g_failedInARow = 0;
        g_retryDelayMs = Site::GAVE_UP;
        wxLogWarning("%s: given up after %d failures in a row", LOG_PLACE, failures);
        ConnectionStatus::ListFailed(why, Site::GAVE_UP);
        GiveUpWithBox();
    } else {
        // Past the interval the doubling no longer matters; the shift stays in range.
        const int doubling = std::min(inARow - 1, 20);
        g_retryDelayMs =
            static_cast<int>(std::min(static_cast<long long>(FIRST_RETRY_MS) << doubling,
                                      static_cast<long long>(SyncIntervalMs())));
        ConnectionStatus::ListFailed(why, g_retryDelayMs);
    }
}

// The site answered and said when to come back: a failure (it has no list for us) that does
// not count toward giving up, followed by the wait it asked for instead of the back-off.
void WaitAsTold(const FailureReason& why, std::chrono::seconds wait) {
    ++g_failedInARow;
    g_failures = 0;
    g_retryDelayMs = static_cast<int>(std::chrono::milliseconds(wait).count());
    wxLogWarning("%s: %s, asked to wait %lld s", LOG_PLACE, why.GetText(),
                 static_cast<long long>(wait.count()));
    ConnectionStatus::ListFailed(why, g_retryDelayMs);
}

// A list came (whole or unchanged): the failures, if any, are over.
int Received(size_t performers) {
    g_failures = 0;
    if (const int failures = g_failedInARow.exchange(0); failures > 0)
        wxLogWarning("%s: back after %d failures", LOG_PLACE, failures);
    ConnectionStatus::ListReceived(performers);
    return SyncIntervalMs();
}

} // namespace

// The proxy is the network library's affair: its client takes the environment's.
KestovaSite::KestovaSite() {
    wxLogTrace(ROD_TRACE, "[%p]KestovaSite::KestovaSite(void)", static_cast<void*>(this));
}

int KestovaSite::UpdateUserList() {
    wxLogTrace(ROD_TRACE, "[%p]KestovaSite::UpdateUserList(void)", static_cast<void*>(this));
    // A placeholder names no site that can exist: nothing is asked until one is set (the
    // preferences then ask for a refresh at once); no failure either.
    const bool siteSet = !SiteEndpoints::IsPlaceholder(SiteEndpoints::WebHost());
    ConnectionStatus::SetSiteSet(siteSet);
    if (!siteSet) {
        g_retryDelayMs = SyncIntervalMs();
        return 0;
    }
    UserList fresh;
    FailureReason why;
    const unsigned long interruptions = LinkState::Interruptions();
    std::chrono::seconds wait{0};
    switch (FetchScript(fresh, &why, &wait)) {
    case Fetch::ABANDONED:
        return 0;
    case Fetch::FAILED:
        // Nothing reached the site: this machine is offline, or the network went or the
        // machine slept during the transfer. The refresh waits for the network's return.
        if (why.GetKind() == FailureReason::Kind::UNREACHABLE ||
            LinkState::Interruptions() != interruptions) {
            wxLogWarning("%s: %s (offline or asleep, not counted)", LOG_PLACE, why.GetText());
            g_retryDelayMs = SyncIntervalMs();
            return 0;
        }
        CountFailureThenBackOffOrGiveUp(why, false);
        return 0;
    case Fetch::NOT_A_LIST:
        CountFailureThenBackOffOrGiveUp(why, true);
        return 0;
    case Fetch::TOLD_TO_WAIT:
        WaitAsTold(why, wait);
        return 0;
    case Fetch::HELD:
        // Nothing to publish: the trees, the pop-ups and the history keep the list before.
        g_retryDelayMs = SyncIntervalMs();
        return 0;
    case Fetch::UNCHANGED:
        // The site says the list is as it was: nothing to parse and nobody to announce.
        return Received(GetUserList().size());
    case Fetch::COMPLETE:
        break;
    }
    SetUserList(fresh);
    return Received(fresh.size());
}

int KestovaSite::GetRetryDelay() const {
    return g_retryDelayMs;
}

void KestovaSite::SetHttpClientFactory(HttpClientFactory factory) {
    std::lock_guard<std::mutex> lock(g_fetchGuard);
    g_client.reset();
    g_validators = Validators();
    g_dropGuard = ListDropGuard();
    g_taken = 0;
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
    EventLog::Install();
    return true;
}

void KestovaSite::OnExit() {
    wxLogTrace(ROD_TRACE, "[%p]KestovaSite::OnExit(void)", static_cast<void*>(this));
    // Replies of the desktop's services still due run now, while their code is here.
    GioPending::Drain(GIO_DRAIN_MS);
    EventLog::Uninstall();
    ImageStore::DeleteInstance();
    ConfigAccess::Release();
    {
        // A toolkit socket too: gone before the sockets are shut down.
        std::lock_guard<std::mutex> lock(g_fetchGuard);
        g_client.reset();
    }
    if (g_socketsInitialised) {
        wxSocketBase::Shutdown();
        g_socketsInitialised = false;
    }
}
