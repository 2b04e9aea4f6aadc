#pragma once

#include "host/PluginHost.h"

#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/intl.h>
#include <wx/timer.h>

#include <memory>

// The host program: loads the plug-in beside it, gives it a locale and the catalogues beside
// the program, calls its exports and runs the event loop until no top-level window is left.
class HostApp : public wxApp {
public:
    // The help text: the options and what the host does without them.
    static wxString Usage();

    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;

private:
    enum class Mode { RUN, UPDATE, PROBE, HELP, BAD_ARGUMENTS };

    static void AddOptions(wxCmdLineParser& parser);
    void SetUpLocale(const wxFileName& program);
    int Run();
    int Update();
    int Probe();
    // One line on stderr, prefixed with the program's name; returns the exit status 1.
    int Fail(const wxString& message) const;
    bool LoadPlugin();
    void OnDumpTimer(wxTimerEvent& event);

    Mode m_mode = Mode::RUN;
    bool m_dumpUi = false;
    wxTimer m_dumpTimer;
    wxString m_argumentError;
    wxLocale m_locale;
    std::unique_ptr<PluginHost> m_plugin;
};
