// The plug-in's entry for the host: the splash screen, then the main frame.
#include "core/SiteEndpoints.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "ui/frame/MainFrame.h"

#include <wx/log.h>
#include <wx/splash.h>

#include <algorithm>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

namespace {

// The splash focuses its picture so that a key closes it. Under an input method of the X
// server's kind (XIM, GTK's choice in a Japanese locale) the window with the focus gets an X
// window of its own, which covers the picture in black: the splash keeps no focused window
// (a click still closes it). GTK is linked by the toolkit only, so its function is looked up
// at run time.
void UnfocusSplash(wxSplashScreen* splash) {
#ifdef __WXGTK__
    using SetFocus = void (*)(void* gtkWindow, void* widget);
    static const auto setFocus =
        reinterpret_cast<SetFocus>(dlsym(RTLD_DEFAULT, "gtk_window_set_focus"));
    if (setFocus && splash->GetHandle())
        setFocus(splash->GetHandle(), nullptr);
#else
    wxUnusedVar(splash);
#endif
}

} // namespace

extern "C" __attribute__((visibility("default"))) bool SiteRun() {
    wxLogTrace(ROD_TRACE, "[extern]SiteRun(void)");
    ImageStore* store = ImageStore::GetInstance();
    // A negative or absurd setting must not reach the timer (negative means "reuse the last
    // interval" there, and the product would overflow an int).
    const long seconds =
        std::clamp(ImageStore::GetConfig()->Read("/SplashScreen/duration", 3L), 0L, 3600L);
    const wxBitmap splash = store ? store->GetBitmap("SplashScreen_bitmap") : wxBitmap();
    // Until the site is named the preferences ask for it first; a splash kept on top of
    // everything would hide them.
    const bool askForSite = SiteEndpoints::IsPlaceholder(SiteEndpoints::WebHost());
    // The splash window sizes itself from the picture and asserts on a missing one.
    if (splash.IsOk() && !askForSite) {
        // Closes and destroys itself when its time-out expires.
        UnfocusSplash(new wxSplashScreen(splash, wxSPLASH_CENTRE_ON_SCREEN | wxSPLASH_TIMEOUT,
                                         static_cast<int>(seconds * 1000), nullptr, wxID_ANY,
                                         wxDefaultPosition, wxDefaultSize,
                                         wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR));
    }
    new MainFrame(askForSite ? MainFrame::ASK_FOR_SITE_FIRST : MainFrame::START_REFRESH);
    return true;
}
