// The plug-in's entry for the host: the splash screen, then the main frame.
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "ui/frame/MainFrame.h"

#include <wx/log.h>
#include <wx/splash.h>

extern "C" __attribute__((visibility("default"))) bool SiteRun() {
    wxLogTrace(ROD_TRACE, "[extern]SiteRun(void)");
    ImageStore* store = ImageStore::GetInstance();
    const long duration = ImageStore::GetConfig()->Read("/SplashScreen/duration", 3L);
    const wxBitmap splash = store ? store->GetBitmap("SplashScreen_bitmap") : wxBitmap();
    // Closes and destroys itself when its time-out expires.
    new wxSplashScreen(splash, wxSPLASH_CENTRE_ON_SCREEN | wxSPLASH_TIMEOUT,
                       static_cast<int>(duration * 1000), nullptr, wxID_ANY, wxDefaultPosition,
                       wxDefaultSize, wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR);
    new MainFrame();
    return true;
}
