#pragma once

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include <functional>

// "Connection": how the site's connection goes, read from ConnectionStatus and the settings
// every second while it is open (never taking the focus for that): the site and its scheme,
// the proxy or "direct", the network (online, or offline since when), the last complete list, the
// last failure with its reason, the next try while the refresh waits after a failure, the transfers
// of this run, and a button that opens the log's folder. Without a site, "No site set" and a button
// to the preferences. A window of its own, like "Recent"; closing it (Escape too)
// hides it.
class ConnectionWindow : public wxFrame {
public:
    explicit ConnectionWindow(std::function<void()> showPreferences);
    ~ConnectionWindow() override;

    // Reads everything anew.
    void ShowStatus();

private:
    void OnTimer(wxTimerEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnOpenLogFolder(wxCommandEvent& event);
    void OnPreferences(wxCommandEvent& event);

    wxStaticText* AddRow(wxSizer* grid, const wxString& label, const char* name);
    // Changes a label only when its text changed: no flicker, no needless layout.
    static bool SetText(wxStaticText* row, const wxString& text);

    std::function<void()> m_showPreferences;
    wxPanel* m_panel;
    wxStaticText* m_site;
    wxStaticText* m_proxy;
    wxStaticText* m_network;
    wxStaticText* m_lastList;
    wxStaticText* m_lastFailure;
    wxStaticText* m_nextTry;
    wxStaticText* m_transfers;
    wxButton* m_preferences;
    wxTimer m_timer;

    wxDECLARE_EVENT_TABLE();
};
