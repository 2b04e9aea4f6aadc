#include "resources/Util.h"

#include "resources/Trace.h"

#include <wx/app.h>
#include <wx/dynlib.h>
#include <wx/log.h>
#include <wx/mimetype.h>
#include <wx/utils.h>

#include <memory>

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

bool Util::LaunchBrowser(const wxString& url) {
    wxLogTrace(ROD_TRACE, "[static]Util::LaunchBrowser(%s)", url);
    // A manager of its own reads the desktop's current associations, not a cached copy.
    wxMimeTypesManager manager;
    std::unique_ptr<wxFileType> type(manager.GetFileTypeFromExtension("html"));
    if (!type) {
        wxLogError("can not get filetype for html");
        return false;
    }
    wxString command;
    if (!type->GetOpenCommand(&command, wxFileType::MessageParameters(url, wxEmptyString))) {
        wxLogError("can not get command for html");
        return false;
    }
    command.Replace("file://", wxEmptyString);
    wxExecute(command, wxEXEC_ASYNC);
    return true;
}
