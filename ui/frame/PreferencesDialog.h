#pragma once

#include "ui/frame/Preferences.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/listbox.h>
#include <wx/scrolwin.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <functional>

// The modal dialog titled "Preferences": the site's hosts, the refresh, the pop-ups, the
// session, the history and the muted performers, scrolling where the screen is too low for
// them, with the focus in the first field. It shows Preferences::Read() and saves on OK; a save
// that fails is told in one message and the dialog stays open. It never talks to the network.
// "Clear history" acts at once, after a question, without waiting for OK.
//
// Each control is named after its setting's key ("/System/syncinterval"); the reason next to
// a host field after the key and " reason".
class PreferencesDialog : public wxDialog {
public:
    enum { ID_CLEAR_HISTORY = wxID_HIGHEST + 1, ID_UNMUTE, ID_PLAY, ID_TEST_ANNOUNCEMENT };

    // With askForSite, a line above the fields asks for the site and the web host's text is
    // selected (the first start).
    PreferencesDialog(wxWindow* parent, bool askForSite = false);
    ~PreferencesDialog() override;

    // The values saved by OK.
    const Preferences& GetSaved() const { return m_saved; }
    // What "Clear history" does; the button is disabled without it.
    void SetHistoryClearer(const std::function<void()>& clear);
    // What "Play" does with the sound as the dialog shows it; the button is disabled without it.
    void SetSoundPlayer(const std::function<void(const AnnouncementSettings&)>& play);
    // What "Test announcement" does with the style, the sound and the command as the dialog
    // shows them; the button is disabled without it.
    void SetAnnouncementTester(
        const std::function<void(PopupSettings::Style, const AnnouncementSettings&)>& test);

private:
    void OnHostText(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);
    void OnClearHistory(wxCommandEvent& event);
    // Takes the selected performer out of the list; OK unmutes her.
    void OnUnmute(wxCommandEvent& event);
    void OnPlay(wxCommandEvent& event);
    void OnTestAnnouncement(wxCommandEvent& event);

    wxTextCtrl* AddHost(wxWindow* box, wxFlexGridSizer* grid, const wxString& label,
                        const char* key, const wxString& value);
    wxSpinCtrl* AddNumber(wxWindow* box, wxFlexGridSizer* grid, const wxString& label,
                          const char* key, long value, long low, long high, const wxString& unit);
    wxCheckBox* AddCheck(wxWindow* box, wxSizer* sizer, const wxString& label, const char* key,
                         bool value);
    // Says next to each host field what is wrong with it; OK only while all are fine.
    bool CheckHosts();
    void FitToWorkArea();
    Preferences Collect() const;

    wxScrolledWindow* m_fields = nullptr;
    wxTextCtrl* m_webHost = nullptr;
    wxTextCtrl* m_imageHost = nullptr;
    wxTextCtrl* m_previewHost = nullptr;
    wxCheckBox* m_secure = nullptr;
    wxSpinCtrl* m_interval = nullptr;
    wxSpinCtrl* m_parsePause = nullptr;
    wxSpinCtrl* m_duration = nullptr;
    wxCheckBox* m_onlyFavorite = nullptr;
    wxCheckBox* m_paused = nullptr;
    wxSpinCtrl* m_grace = nullptr;
    wxCheckBox* m_holdWhileHovered = nullptr;
    wxChoice* m_style = nullptr;
    wxCheckBox* m_autostart = nullptr;
    wxCheckBox* m_startInTray = nullptr;
    wxCheckBox* m_sortByName = nullptr;
    wxCheckBox* m_passwordInKeyring = nullptr;
    wxChoice* m_historyScope = nullptr;
    wxSpinCtrl* m_historyDays = nullptr;
    wxButton* m_clearHistory = nullptr;
    std::function<void()> m_historyClearer;
    wxTextCtrl* m_command = nullptr;
    wxChoice* m_sound = nullptr;
    wxTextCtrl* m_soundFile = nullptr;
    wxButton* m_play = nullptr;
    std::function<void(const AnnouncementSettings&)> m_soundPlayer;
    wxCheckBox* m_holdFullScreen = nullptr;
    wxButton* m_test = nullptr;
    std::function<void(PopupSettings::Style, const AnnouncementSettings&)> m_tester;
    wxListBox* m_muted = nullptr;
    wxButton* m_unmute = nullptr;
    wxButton* m_okButton = nullptr;
    Preferences m_saved;

    wxDECLARE_EVENT_TABLE();
};
