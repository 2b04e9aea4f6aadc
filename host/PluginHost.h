#pragma once

#include <wx/dynload.h>
#include <wx/filename.h>
#include <wx/string.h>

// The plug-in beside the host program: its file is the program's path with the module
// extension. Loading it through the plug-in manager makes the toolkit create the plug-in's
// modules and run their OnInit before Load returns.
class PluginHost {
public:
    explicit PluginHost(const wxFileName& program);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    const wxString& GetPath() const { return m_path; }

    // On failure *error holds one line saying why.
    bool Load(wxString* error);
    bool IsLoaded() const { return m_library != nullptr; }
    // Runs the modules' OnExit and unloads; pending events must have been processed first,
    // since they may hold code or objects of the plug-in.
    void Unload();

    bool HasExport(const wxString& name) const;
    // Null when not loaded or not exported.
    void* GetExport(const wxString& name) const;

    // Moves newFile over the plug-in file in one step (rename(2)); the loaded copy stays
    // mapped until it is unloaded. On failure *error holds one line saying why.
    bool Replace(const wxString& newFile, wxString* error) const;

private:
    wxString m_path;
    wxPluginLibrary* m_library = nullptr;
};
