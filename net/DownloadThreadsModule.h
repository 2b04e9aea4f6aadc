#pragma once

#include <wx/event.h>
#include <wx/module.h>
#include <wx/thread.h>

// Sets the transport up (libcurl, and the site's HTTP client), keeps count of the download
// threads and relays their results to the GUI thread. Its code lives in the plug-in, which
// the host unloads at its end, so OnExit waits until no download runs and then drops the
// results that nobody fetched. So that the wait is short, it wakes every transfer, and every
// wait of a transfer (the name lookup included) notices the exit at once: a download blocked
// on a slow or silent server or name server ends, as a failure. Should one still run after
// EXIT_WAIT_MS, the library is kept loaded rather than unloaded under it.
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
