#include "host/PluginHost.h"

#include "resources/Trace.h"

#include <wx/log.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>

PluginHost::PluginHost(const wxFileName& program) {
    wxFileName plugin(program);
    plugin.SetExt("so");
    m_path = plugin.GetFullPath();
}

PluginHost::~PluginHost() {
    Unload();
}

bool PluginHost::Load(wxString* error) {
    wxLogTrace(ROD_TRACE, "[%p]PluginHost::Load(%s)", static_cast<void*>(this), m_path);
    if (m_library)
        return true;
    if (!wxFileName::FileExists(m_path)) {
        *error = wxString::Format("plug-in not found: %s", m_path);
        return false;
    }
    // Quiet, so that the loader's own reason is still there for our one line.
    dlerror();
    m_library = wxPluginManager::LoadLibrary(m_path, wxDL_NOW | wxDL_VERBATIM | wxDL_QUIET);
    if (!m_library) {
        const char* reason = dlerror();
        *error = wxString::Format("cannot load the plug-in: %s",
                                  reason ? wxString::FromUTF8(reason) : m_path);
        error->Replace("\n", " ");
        return false;
    }
    return true;
}

void PluginHost::Unload() {
    if (!m_library)
        return;
    wxLogTrace(ROD_TRACE, "[%p]PluginHost::Unload(%s)", static_cast<void*>(this), m_path);
    m_library = nullptr;
    wxPluginManager::UnloadLibrary(m_path);
}

bool PluginHost::HasExport(const wxString& name) const {
    return m_library && m_library->HasSymbol(name);
}

void* PluginHost::GetExport(const wxString& name) const {
    if (!HasExport(name))
        return nullptr;
    bool ok = false;
    void* symbol = m_library->GetSymbol(name, &ok);
    return ok ? symbol : nullptr;
}

bool PluginHost::Replace(const wxString& newFile, wxString* error) const {
    if (std::rename(newFile.fn_str(), m_path.fn_str()) == 0)
        return true;
    *error = wxString::Format("cannot move %s over %s: %s", newFile, m_path,
                              wxString::FromUTF8(std::strerror(errno)));
    return false;
}
