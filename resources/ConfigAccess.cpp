#include "resources/ConfigAccess.h"

#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/filename.h>

#include <sys/stat.h>

std::recursive_mutex& ConfigAccess::Guard() {
    static std::recursive_mutex guard;
    return guard;
}

ConfigAccess::ConfigAccess() : m_lock(Guard()) {
    m_config = wxConfigBase::Get(false);
    if (!m_config) {
        m_config = CreatePrivate();
        wxConfigBase::Set(m_config);
    }
}

// The settings hold the account password, so the file is readable by its owner only: new
// files through the umask, an existing file by fixing its mode.
wxConfigBase* ConfigAccess::CreatePrivate() {
    wxConfigBase* config = wxConfigBase::Create();
    if (auto* file = dynamic_cast<wxFileConfig*>(config)) {
        file->SetUmask(0077);
        // Not wxTheApp: it casts to the GUI application class, which a console test's is not.
        const wxAppConsole* app = wxAppConsole::GetInstance();
        const wxString path =
            wxFileConfig::GetLocalFileName(app ? app->GetAppName() : wxString("Roduviriz"));
        if (wxFileName::FileExists(path))
            ::chmod(path.fn_str(), S_IRUSR | S_IWUSR);
    }
    return config;
}

void ConfigAccess::Release() {
    std::lock_guard<std::recursive_mutex> lock(Guard());
    delete wxConfigBase::Set(nullptr);
}
