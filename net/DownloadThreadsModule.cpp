#include "net/DownloadThreadsModule.h"

#include "core/KestovaSite.h"
#include "net/CurlSession.h"
#include "net/CurlSessionPool.h"
#include "net/wxHTTP2.h"
#include "resources/Trace.h"

#include <wx/log.h>
#include <wx/socket.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include <dlfcn.h>

namespace {

// One guard for the count, the relay pointer and the exit flag.
std::mutex& Guard() {
    static std::mutex guard;
    return guard;
}

std::condition_variable& EndedSignal() {
    static std::condition_variable ended;
    return ended;
}

int g_running = 0;
// Lives from OnInit to OnExit; its pending results are processed by the application on the GUI
// thread like any handler's.
wxEvtHandler* g_relay = nullptr;
bool g_exiting = false;
// Joinable threads whose Entry has returned, waiting to be joined and deleted.
std::vector<wxThread*> g_ended;

// A download that has not ended would run on in unmapped code once the plug-in is unloaded:
// the library then stays mapped instead (the host ends soon after anyway).
void KeepLibraryLoaded() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&KeepLibraryLoaded), &info) && info.dli_fname)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

} // namespace

wxIMPLEMENT_DYNAMIC_CLASS(DownloadThreadsModule, wxModule);

bool DownloadThreadsModule::OnInit() {
    wxLogTrace(ROD_TRACE, "[%p]DownloadThreadsModule::OnInit(void)", this);
    // The clients are toolkit sockets too, made on workers: without this on the main thread
    // the first one asserts.
    if (!wxSocketBase::IsInitialized())
        wxSocketBase::Initialize();
    CurlSession::Initialise();
    {
        std::lock_guard<std::mutex> lock(Guard());
        g_relay = new wxEvtHandler;
        g_exiting = false;
    }
    KestovaSite::SetHttpClientFactory([]() -> HttpClient* { return new wxHTTP2; });
    return true;
}

void DownloadThreadsModule::OnExit() {
    wxLogTrace(ROD_TRACE, "[%p]DownloadThreadsModule::OnExit(void)", this);
    // The site's kept client goes first: its session closes rather than waiting in the pool.
    {
        std::lock_guard<std::mutex> lock(Guard());
        g_exiting = true;
    }
    KestovaSite::SetHttpClientFactory(nullptr);
    CurlSession::WakeAll();
    if (!WaitUntilIdle(EXIT_WAIT_MS)) {
        wxLogDebug("download threads still running after %d ms", EXIT_WAIT_MS);
        KeepLibraryLoaded();
    }
    Reap();
    wxEvtHandler* relay;
    {
        std::lock_guard<std::mutex> lock(Guard());
        relay = g_relay;
        g_relay = nullptr;
    }
    // Undelivered results are deleted with it (freeing their blocks) while their code is here.
    delete relay;
    CurlSessionPool::Drain();
}

bool DownloadThreadsModule::Register() {
    std::lock_guard<std::mutex> lock(Guard());
    if (!g_relay)
        return false;
    ++g_running;
    return true;
}

void DownloadThreadsModule::Ended(wxThread* thread) {
    std::lock_guard<std::mutex> lock(Guard());
    --g_running;
    g_ended.push_back(thread);
    EndedSignal().notify_all();
    if (g_relay)
        g_relay->CallAfter([] { Reap(); });
}

void DownloadThreadsModule::Reap() {
    std::vector<wxThread*> ended;
    {
        std::lock_guard<std::mutex> lock(Guard());
        ended.swap(g_ended);
    }
    for (wxThread* thread : ended) {
        // Its Entry has returned: the join waits at most for the thread's last steps.
        thread->Wait();
        delete thread;
    }
}

void DownloadThreadsModule::Unregister() {
    std::lock_guard<std::mutex> lock(Guard());
    --g_running;
    EndedSignal().notify_all();
}

bool DownloadThreadsModule::Relay(wxEvent* result) {
    std::lock_guard<std::mutex> lock(Guard());
    if (!g_relay)
        return false;
    result->SetEventObject(g_relay);
    g_relay->QueueEvent(result);
    return true;
}

bool DownloadThreadsModule::Exiting() {
    std::lock_guard<std::mutex> lock(Guard());
    return g_exiting;
}

int DownloadThreadsModule::Running() {
    std::lock_guard<std::mutex> lock(Guard());
    return g_running;
}

bool DownloadThreadsModule::WaitUntilIdle(int timeoutMs) {
    std::unique_lock<std::mutex> lock(Guard());
    return EndedSignal().wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [] { return g_running == 0; });
}
