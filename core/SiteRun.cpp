// The plug-in's entry for the host: the splash screen, then the main frame.
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "ui/frame/MainFrame.h"

#include <wx/log.h>
#include <wx/splash.h>

#include <algorithm>

extern "C" __attribute__((visibility("default"))) bool SiteRun() {
    wxLogTrace(ROD_TRACE, "[extern]SiteRun(void)");
    ImageStore* store = ImageStore::GetInstance();
    // A negative or absurd setting must not reach the timer (negative means "reuse the last
    // interval" there, and the product would overflow an int).
    const long seconds =
        std::clamp(ImageStore::GetConfig()->Read("/SplashScreen/duration", 3L), 0L, 3600L);
    const wxBitmap splash = store ? store->GetBitmap("SplashScreen_bitmap") : wxBitmap();
    // The splash window sizes itself from the picture and asserts on a missing one.
    if (splash.IsOk()) {
        // Closes and destroys itself when its time-out expires.
        new wxSplashScreen(splash, wxSPLASH_CENTRE_ON_SCREEN | wxSPLASH_TIMEOUT,
                           static_cast<int>(seconds * 1000), nullptr, wxID_ANY, wxDefaultPosition,
                           wxDefaultSize, wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR);
    }
    new MainFrame();
    return true;
}
