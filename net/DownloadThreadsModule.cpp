#include "net/DownloadThreadsModule.h"

#include "core/KestovaSite.h"
#include "net/HttpProxy.h"
#include "net/wxHTTP2.h"
#include "resources/Trace.h"

#include <wx/log.h>
#include <wx/socket.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// One guard for the count, the relay pointer, the watched sockets and the exit flag.
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
// Duplicates of the watched sockets' descriptors: ours until forgotten, so a descriptor that
// the toolkit closed and the system handed out again is never shut down by mistake.
std::set<int> g_watched;
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
    // Workers use sockets; without this on the main thread their first request fails.
    if (!wxSocketBase::IsInitialized())
        wxSocketBase::Initialize();
    std::lock_guard<std::mutex> lock(Guard());
    g_relay = new wxEvtHandler;
    g_exiting = false;
    HttpProxy::SetDefault(HttpProxy::FromEnvironment());
    KestovaSite::SetHttpClientFactory([]() -> wxHTTP* { return new wxHTTP2; });
    return true;
}

void DownloadThreadsModule::OnExit() {
    wxLogTrace(ROD_TRACE, "[%p]DownloadThreadsModule::OnExit(void)", this);
    KestovaSite::SetHttpClientFactory(nullptr);
    {
        std::lock_guard<std::mutex> lock(Guard());
        g_exiting = true;
        for (int handle : g_watched)
            shutdown(handle, SHUT_RDWR);
    }
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

int DownloadThreadsModule::Watch(int fd) {
    if (fd < 0)
        return -1;
    // Not inherited by programs started meanwhile (the browser), which would keep it open.
    const int handle = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (handle < 0)
        return -1;
    std::lock_guard<std::mutex> lock(Guard());
    if (g_exiting)
        shutdown(handle, SHUT_RDWR);
    g_watched.insert(handle);
    return handle;
}

void DownloadThreadsModule::Forget(int handle) {
    if (handle < 0)
        return;
    std::lock_guard<std::mutex> lock(Guard());
    if (g_watched.erase(handle))
        close(handle);
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
