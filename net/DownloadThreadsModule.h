#pragma once

#include <wx/event.h>
#include <wx/module.h>
#include <wx/thread.h>

// Keeps count of the download threads and relays their results to the GUI thread, and sets
// the process-wide proxy (HttpProxy) from the environment. Its code lives in the plug-in,
// which the host unloads at its end, so OnExit waits until no download runs and then drops
// the results that nobody fetched. So that the wait is short, it first shuts down every
// connection still open, and every wait of a transfer (the name lookup included) notices the
// exit within a tenth of a second: a download blocked on a slow or silent server or name
// server ends at once, as a failure. Should one still run after EXIT_WAIT_MS, the library is
// kept loaded rather than unloaded under it.
class DownloadThreadsModule : public wxModule {
public:
    // How long OnExit waits for running downloads (which notice the exit within 0.1 s).
    static constexpr int EXIT_WAIT_MS = 1000;

    bool OnInit() override;
    void OnExit() override;

    // GUI thread, when a download thread is constructed; false when the module is not active
    // (the thread must then deliver nothing).
    static bool Register();
    // Last thing a registered joinable download thread does: it counts as ended and is joined
    // and deleted on the GUI thread soon, or at the latest by OnExit (a thread that runs on
    // in the plug-in's code while the plug-in is unloaded would crash).
    static void Ended(wxThread* thread);
    // For a registered thread that never ran, or a detached one: on whatever thread deletes it.
    static void Unregister();
    // Worker: hands a result over to the GUI thread; false (and ownership stays with the
    // caller) when the module is no longer active.
    static bool Relay(wxEvent* result);

    // Any thread, once a socket exists: the socket is to be shut down when the module exits
    // (at once if it is exiting already). Returns the handle for Forget, or -1.
    static int Watch(int socket);
    // Before the socket closes, with the handle Watch gave (-1 is ignored).
    static void Forget(int handle);
    // True from the start of OnExit: a transfer that ends now may have been cut short.
    static bool Exiting();

    // Threads registered and not yet ended.
    static int Running();
    // Waits until no download thread runs; false on time-out. Any thread.
    static bool WaitUntilIdle(int timeoutMs);

private:
    // GUI thread: joins and deletes the threads that have ended.
    static void Reap();

    wxDECLARE_DYNAMIC_CLASS(DownloadThreadsModule);
};
