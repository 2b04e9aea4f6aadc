#include "resources/Util.h"

#include "resources/Trace.h"

#include <gio/gio.h>
#include <wx/app.h>
#include <wx/dynlib.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <cstdlib>
#include <memory>

namespace {
// Set by the installed launcher when it chose the X11 back-end itself.
const char X11_BY_LAUNCHER[] = "RODUVIRIZ_X11_BY_LAUNCHER";

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
} // namespace

wxFileName Util::GetApplicationFileName() {
    wxLogTrace(ROD_TRACE, "[static]Util::GetApplicationFileName(void)");
    // The application object itself: wxTheApp would cast it to the GUI class, which a
    // console host's object is not.
    wxFileName name;
    const wxAppConsole* app = wxAppConsole::GetInstance();
    if (app && app->argc > 0)
        name.Assign(app->argv[0], wxPATH_NATIVE);
    return name;
}

wxFileName Util::GetPluginFileName() {
    wxLogTrace(ROD_TRACE, "[static]Util::GetPluginFileName(void)");
    wxFileName name = GetApplicationFileName();
    name.SetExt(wxDynamicLibrary::GetDllExt(wxDL_MODULE).Mid(1));
    return name;
}

wxString Util::GetInstalledIconFile() {
    wxFileName folder(GetApplicationFileName().GetPath(), wxString());
    for (int up = 0; up < 3 && folder.GetDirCount() > 0; ++up) {
        folder.RemoveLastDir();
        const wxFileName icon(folder.GetPath() + "/share/icons/hicolor/48x48/apps/roduviriz.png");
        if (icon.FileExists())
            return icon.GetFullPath();
    }
    return wxString();
}

bool Util::LaunchBrowser(const wxString& url) {
    wxLogTrace(ROD_TRACE, "[static]Util::LaunchBrowser(%s)", url);
    // The desktop's choice of web browser under the freedesktop rules (the user's
    // mimeapps.list first); the toolkit's MIME manager reads only defaults.list.
    GObjectPtr<GAppInfo> browser(g_app_info_get_default_for_uri_scheme("http"));
    if (!browser)
        browser.reset(g_app_info_get_default_for_type("text/html", FALSE));
    if (!browser) {
        wxLogError("can not get filetype for html");
        return false;
    }
    GObjectPtr<GAppLaunchContext> context(g_app_launch_context_new());
    // The launcher's X11 back-end is for our windows only; the browser runs as the session
    // would start it.
    if (const char* chosen = std::getenv(X11_BY_LAUNCHER); chosen && *chosen) {
        g_app_launch_context_unsetenv(context.get(), "GDK_BACKEND");
        g_app_launch_context_unsetenv(context.get(), X11_BY_LAUNCHER);
    }
    // The address goes to the entry's command as it stands, in place of its %u or %U.
    const wxScopedCharBuffer address = url.utf8_str();
    GList uris = {const_cast<char*>(address.data()), nullptr, nullptr};
    GError* error = nullptr;
    if (!g_app_info_launch_uris(browser.get(), &uris, context.get(), &error)) {
        const char* command = g_app_info_get_commandline(browser.get());
        // A program was chosen but would not start (one that needs a terminal where there is
        // none, say): what failed is worth telling, not that there was no command.
        if (command && *command)
            wxLogError(_("The web browser %s could not be started: %s"),
                       wxString::FromUTF8(command),
                       wxString::FromUTF8(error ? error->message : ""));
        else
            wxLogError("can not get command for html");
        g_clear_error(&error);
        return false;
    }
    return true;
}
