#include "ui/frame/PreferencesDialog.h"

#include "core/SiteEndpoints.h"
#include "resources/Trace.h"
#include "ui/frame/PasswordKeyring.h"

#include <wx/display.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <algorithm>

// clang-format off
wxBEGIN_EVENT_TABLE(PreferencesDialog, wxDialog)
    EVT_TEXT(wxID_ANY, PreferencesDialog::OnHostText)
    EVT_BUTTON(wxID_OK, PreferencesDialog::OnOK)
    EVT_BUTTON(PreferencesDialog::ID_CLEAR_HISTORY, PreferencesDialog::OnClearHistory)
    EVT_BUTTON(PreferencesDialog::ID_UNMUTE, PreferencesDialog::OnUnmute)
    EVT_BUTTON(PreferencesDialog::ID_PLAY, PreferencesDialog::OnPlay)
    EVT_BUTTON(PreferencesDialog::ID_TEST_ANNOUNCEMENT, PreferencesDialog::OnTestAnnouncement)
wxEND_EVENT_TABLE();
// clang-format on

namespace {
const char REASON_SUFFIX[] = " reason";
// The window manager's title bar and frame, which the dialog's own size does not count.
const int TITLE_BAR_ALLOWANCE = 64;

wxStaticBoxSizer* AddBox(wxWindow* dialog, wxSizer* top, const wxString& label) {
    auto* box = new wxStaticBoxSizer(wxVERTICAL, dialog, label);
    top->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    return box;
}

// The growing column takes the room a wider dialog gives: the host fields, or the labels
// before the numbers (which keeps each number beside its unit).
wxFlexGridSizer* AddGrid(wxStaticBoxSizer* box, int growing) {
    auto* grid = new wxFlexGridSizer(3, 4, 8);
    grid->AddGrowableCol(growing);
    box->Add(grid, 0, wxEXPAND | wxALL, 4);
    return grid;
}
} // namespace

PreferencesDialog::PreferencesDialog(wxWindow* parent, bool askForSite)
    : wxDialog(parent, wxID_ANY, _("Preferences")) {
    wxLogTrace(ROD_TRACE, "[%p]PreferencesDialog::PreferencesDialog(%d)", this, askForSite);
    const Preferences now = Preferences::Read();
    m_fields = new wxScrolledWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                    wxVSCROLL | wxTAB_TRAVERSAL);
    m_fields->SetScrollRate(0, 12);
    wxWindow* const fields = m_fields;
    auto* top = new wxBoxSizer(wxVERTICAL);

    if (askForSite) {
        auto* intro = new wxStaticText(fields, wxID_ANY,
                                       _("Enter the hosts of the site to watch, then press OK."));
        top->Add(intro, 0, wxLEFT | wxRIGHT | wxTOP, 8);
    }

    wxStaticBoxSizer* site = AddBox(fields, top, _("Site"));
    wxFlexGridSizer* hosts = AddGrid(site, 1);
    m_webHost = AddHost(site->GetStaticBox(), hosts, _("Web host"), "/Site/webHost", now.webHost);
    m_imageHost =
        AddHost(site->GetStaticBox(), hosts, _("Image host"), "/Site/imageHost", now.imageHost);
    m_previewHost = AddHost(site->GetStaticBox(), hosts, _("Preview host"), "/Site/previewHost",
                            now.previewHost);
    // The account's password with the site's connection, on one line: the dialog fits a screen
    // of 1024 x 768. Greyed out without a keyring, the reason beside it.
    auto* accountRow = new wxBoxSizer(wxHORIZONTAL);
    site->Add(accountRow, 0);
    m_secure = AddCheck(site->GetStaticBox(), accountRow, _("Secure connection (HTTPS)"),
                        "/Site/scheme", now.secure);
    m_passwordInKeyring =
        AddCheck(site->GetStaticBox(), accountRow, _("Keep the password in the desktop's keyring"),
                 Preferences::PASSWORD_IN_KEYRING, now.passwordInKeyring);
    wxString noKeyring;
    if (!PasswordKeyring::IsAvailable(&noKeyring)) {
        m_passwordInKeyring->Enable(false);
        accountRow->Add(new wxStaticText(site->GetStaticBox(), wxID_ANY, noKeyring,
                                         wxDefaultPosition, wxDefaultSize, 0, "keyringReason"),
                        0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    }

    wxStaticBoxSizer* refresh = AddBox(fields, top, _("Refresh"));
    wxFlexGridSizer* timing = AddGrid(refresh, 0);
    m_interval = AddNumber(refresh->GetStaticBox(), timing, _("Refresh every"),
                           "/System/syncinterval", now.syncInterval, Preferences::MIN_INTERVAL,
                           Preferences::MAX_INTERVAL, _("seconds"));
    m_parsePause = AddNumber(refresh->GetStaticBox(), timing, _("Pause after each performer"),
                             "/System/parsePause", now.parsePause, Preferences::MIN_PARSE_PAUSE,
                             Preferences::MAX_PARSE_PAUSE, _("ms"));
    refresh->Add(new wxStaticText(refresh->GetStaticBox(), wxID_ANY,
                                  _("A shorter pause announces sooner but loads the processor "
                                    "more.")),
                 0, wxALL, 4);

    // The pop-ups and what goes with each side by side: the dialog fits a screen of 768 lines.
    auto* announceRow = new wxBoxSizer(wxHORIZONTAL);
    top->Add(announceRow, 0, wxEXPAND);
    wxStaticBoxSizer* popups = AddBox(fields, announceRow, _("Pop-ups"));
    wxFlexGridSizer* popupNumbers = AddGrid(popups, 0);
    m_duration = AddNumber(popups->GetStaticBox(), popupNumbers, _("Show each pop-up for"),
                           "/PopupDialog/duration", now.popupDuration, Preferences::MIN_DURATION,
                           Preferences::MAX_DURATION, _("seconds"));
    m_grace = AddNumber(popups->GetStaticBox(), popupNumbers,
                        _("Do not announce again after missing for up to"),
                        "/PopupDialog/graceRefreshes", now.graceRefreshes, Preferences::MIN_GRACE,
                        Preferences::MAX_GRACE, _("refreshes"));
    m_onlyFavorite = AddCheck(popups->GetStaticBox(), popups, _("Announce favourites only"),
                              "/PopupDialog/onlyFavorite", now.onlyFavorite);
    m_paused = AddCheck(popups->GetStaticBox(), popups, _("Pause pop-ups"), "/PopupDialog/paused",
                        now.paused);
    m_holdWhileHovered =
        AddCheck(popups->GetStaticBox(), popups, _("Keep a pop-up open while the pointer is on it"),
                 "/PopupDialog/holdWhileHovered", now.holdWhileHovered);
    // In the order of PopupSettings::Style.
    const wxString styles[] = {_("the program's own pop-ups"), _("the desktop's notifications")};
    auto* styleRow = new wxBoxSizer(wxHORIZONTAL);
    styleRow->Add(new wxStaticText(popups->GetStaticBox(), wxID_ANY, _("Announce with")), 0,
                  wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    m_style = new wxChoice(popups->GetStaticBox(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           WXSIZEOF(styles), styles, 0, wxDefaultValidator, "/PopupDialog/style");
    m_style->SetSelection(now.popupStyle);
    styleRow->Add(m_style, 0, wxALIGN_CENTER_VERTICAL);
    popups->Add(styleRow, 0, wxALL, 4);

    wxStaticBoxSizer* announce = AddBox(fields, announceRow, _("With each announcement"));
    announceRow->GetItem(announce)->SetProportion(1);
    wxFlexGridSizer* announceGrid = AddGrid(announce, 1);
    // In the order of AnnouncementSettings::Sound.
    const wxString sounds[] = {_("no sound"), _("the desktop's sound"), _("this sound file:")};
    m_sound = new wxChoice(announce->GetStaticBox(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           WXSIZEOF(sounds), sounds, 0, wxDefaultValidator, "/Announce/sound");
    m_sound->SetSelection(now.announce.sound);
    announceGrid->Add(m_sound, 0, wxALIGN_CENTER_VERTICAL);
    m_soundFile = new wxTextCtrl(announce->GetStaticBox(), wxID_ANY, now.announce.soundFile,
                                 wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator,
                                 "/Announce/soundFile");
    announceGrid->Add(m_soundFile, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
    m_play = new wxButton(announce->GetStaticBox(), ID_PLAY, _("Play"));
    m_play->Enable(false);
    announceGrid->Add(m_play, 0, wxALIGN_CENTER_VERTICAL);
    announceGrid->Add(new wxStaticText(announce->GetStaticBox(), wxID_ANY, _("Run")), 0,
                      wxALIGN_CENTER_VERTICAL);
    m_command =
        new wxTextCtrl(announce->GetStaticBox(), wxID_ANY, now.announce.command, wxDefaultPosition,
                       wxDefaultSize, 0, wxDefaultValidator, "/Announce/command");
    m_command->SetHint(_("a program and its arguments: {name} {url} {kind}"));
    announceGrid->Add(m_command, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
    announceGrid->AddSpacer(0);
    m_holdFullScreen =
        AddCheck(announce->GetStaticBox(), announce, _("Hold pop-ups over a full-screen window"),
                 "/Announce/holdFullScreen", now.announce.holdFullScreen);
    auto* testRow = new wxBoxSizer(wxHORIZONTAL);
    announce->Add(testRow, 0, wxEXPAND | wxALL, 4);
    testRow->AddStretchSpacer();
    m_test = new wxButton(announce->GetStaticBox(), ID_TEST_ANNOUNCEMENT, _("Test announcement"));
    m_test->Enable(false);
    testRow->Add(m_test, 0, wxALIGN_CENTER_VERTICAL);

    // The session and the history side by side: the dialog fits a screen of 768 lines.
    auto* lastRow = new wxBoxSizer(wxHORIZONTAL);
    top->Add(lastRow, 0, wxEXPAND);
    wxStaticBoxSizer* session = AddBox(fields, lastRow, _("Session"));
    m_autostart = AddCheck(session->GetStaticBox(), session, _("Start with the session"),
                           "/Session/autostart", now.autostart);
    m_startInTray = AddCheck(session->GetStaticBox(), session, _("Start in the tray"),
                             "/Session/startInTray", now.startInTray);
    m_sortByName = AddCheck(session->GetStaticBox(), session, _("Sort by name"),
                            "/Trees/sortByName", now.sortByName);

    wxStaticBoxSizer* history = AddBox(fields, lastRow, _("History"));
    lastRow->GetItem(history)->SetProportion(1);
    wxFlexGridSizer* historyGrid = AddGrid(history, 0);
    historyGrid->Add(new wxStaticText(history->GetStaticBox(), wxID_ANY, _("Record when online")),
                     0, wxALIGN_CENTER_VERTICAL);
    const wxString scopes[] = {_("favourites"), _("every performer")};
    m_historyScope =
        new wxChoice(history->GetStaticBox(), wxID_ANY, wxDefaultPosition, wxDefaultSize, 2, scopes,
                     0, wxDefaultValidator, "/History/scope");
    m_historyScope->SetSelection(now.historyOfEveryone ? 1 : 0);
    historyGrid->Add(m_historyScope, 0, wxALIGN_CENTER_VERTICAL);
    historyGrid->AddSpacer(0);
    m_historyDays =
        AddNumber(history->GetStaticBox(), historyGrid, _("Keep for"), "/History/days",
                  now.historyDays, HistorySettings::MIN_DAYS, HistorySettings::MAX_DAYS, _("days"));
    m_clearHistory = new wxButton(history->GetStaticBox(), ID_CLEAR_HISTORY, _("Clear history"));
    m_clearHistory->Enable(false);
    history->Add(m_clearHistory, 0, wxALL, 4);

    wxStaticBoxSizer* mutedBox = AddBox(fields, lastRow, _("Muted performers"));
    m_muted = new wxListBox(mutedBox->GetStaticBox(), wxID_ANY, wxDefaultPosition, wxSize(120, 60),
                            0, nullptr, wxLB_SINGLE | wxLB_SORT, wxDefaultValidator, "/Muted");
    for (const wxString& name : now.muted)
        m_muted->Append(name);
    mutedBox->Add(m_muted, 1, wxEXPAND | wxALL, 4);
    m_unmute = new wxButton(mutedBox->GetStaticBox(), ID_UNMUTE, _("Unmute"));
    m_unmute->Enable(!now.muted.empty());
    mutedBox->Add(m_unmute, 0, wxALL, 4);

    m_fields->SetSizer(top);
    wxStdDialogButtonSizer* buttons = CreateStdDialogButtonSizer(wxOK | wxCANCEL);
    m_okButton = static_cast<wxButton*>(FindWindow(wxID_OK));
    auto* dialogSizer = new wxBoxSizer(wxVERTICAL);
    dialogSizer->Add(m_fields, 1, wxEXPAND);
    dialogSizer->Add(buttons, 0, wxEXPAND | wxALL, 8);
    SetSizer(dialogSizer);
    CheckHosts();
    // The first field, not OK, has the focus.
    m_webHost->SetFocus();
    if (askForSite)
        m_webHost->SelectAll();
}

PreferencesDialog::~PreferencesDialog() {
    wxLogTrace(ROD_TRACE, "[%p]PreferencesDialog::~PreferencesDialog()", this);
}

wxTextCtrl* PreferencesDialog::AddHost(wxWindow* box, wxFlexGridSizer* grid, const wxString& label,
                                       const char* key, const wxString& value) {
    grid->Add(new wxStaticText(box, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
    // Filled before the handler can see it: each field's first check comes from CheckHosts.
    auto* field = new wxTextCtrl(box, wxID_ANY, value, wxDefaultPosition, wxDefaultSize, 0,
                                 wxDefaultValidator, key);
    field->SetMinSize(wxSize(field->GetTextExtent("www.kestova.example:65535").x + 24, -1));
    grid->Add(field, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
    auto* reason = new wxStaticText(box, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                    0, wxString(key) + REASON_SUFFIX);
    reason->SetForegroundColour(*wxRED);
    grid->Add(reason, 0, wxALIGN_CENTER_VERTICAL);
    return field;
}

wxSpinCtrl* PreferencesDialog::AddNumber(wxWindow* box, wxFlexGridSizer* grid,
                                         const wxString& label, const char* key, long value,
                                         long low, long high, const wxString& unit) {
    grid->Add(new wxStaticText(box, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
    auto* field = new wxSpinCtrl(box, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                 wxSP_ARROW_KEYS, static_cast<int>(low), static_cast<int>(high),
                                 static_cast<int>(value), key);
    grid->Add(field, 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(new wxStaticText(box, wxID_ANY, unit), 0, wxALIGN_CENTER_VERTICAL);
    return field;
}

wxCheckBox* PreferencesDialog::AddCheck(wxWindow* box, wxSizer* sizer, const wxString& label,
                                        const char* key, bool value) {
    auto* check = new wxCheckBox(box, wxID_ANY, label, wxDefaultPosition, wxDefaultSize, 0,
                                 wxDefaultValidator, key);
    check->SetValue(value);
    sizer->Add(check, 0, wxALL, 4);
    return check;
}

bool PreferencesDialog::CheckHosts() {
    bool allFine = true;
    for (wxTextCtrl* field : {m_webHost, m_imageHost, m_previewHost}) {
        const wxString why = SiteEndpoints::CheckHost(field->GetValue());
        auto* reason = static_cast<wxStaticText*>(FindWindow(field->GetName() + REASON_SUFFIX));
        reason->SetLabel(why);
        reason->Show(!why.empty());
        allFine = allFine && why.empty();
    }
    m_okButton->Enable(allFine);
    FitToWorkArea();
    return allFine;
}

// A reason may widen the dialog; the fields keep their room. Where the work area is too low
// for every field (large text on a small screen), they scroll between the title and the
// buttons. A reason shown without a change of size must be laid out all the same, or it stays
// where it was made, over the first field.
void PreferencesDialog::FitToWorkArea() {
    const wxSize fields = m_fields->GetSizer()->GetMinSize();
    const int buttons = m_okButton->GetBestSize().y + 16;
    const int room = wxDisplay(this).GetClientArea().height - buttons - TITLE_BAR_ALLOWANCE;
    const bool scrolls = fields.y > room;
    const int bar = scrolls ? std::max(0, wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, this)) : 0;
    m_fields->SetMinSize(wxSize(fields.x + bar, scrolls ? std::max(room, buttons) : fields.y));
    GetSizer()->SetSizeHints(this);
    Layout();
    m_fields->FitInside();
}

void PreferencesDialog::OnHostText(wxCommandEvent& event) {
    // Spin controls send text events too; and none is checked before the dialog is built.
    const wxObject* source = event.GetEventObject();
    if (m_okButton && (source == m_webHost || source == m_imageHost || source == m_previewHost))
        CheckHosts();
    event.Skip();
}

Preferences PreferencesDialog::Collect() const {
    Preferences values;
    values.webHost = m_webHost->GetValue();
    values.imageHost = m_imageHost->GetValue();
    values.previewHost = m_previewHost->GetValue();
    values.secure = m_secure->GetValue();
    values.syncInterval = m_interval->GetValue();
    values.parsePause = m_parsePause->GetValue();
    values.popupDuration = m_duration->GetValue();
    values.onlyFavorite = m_onlyFavorite->GetValue();
    values.paused = m_paused->GetValue();
    values.graceRefreshes = m_grace->GetValue();
    values.holdWhileHovered = m_holdWhileHovered->GetValue();
    values.popupStyle = m_style->GetSelection() == PopupSettings::STYLE_DESKTOP
                            ? PopupSettings::STYLE_DESKTOP
                            : PopupSettings::STYLE_OWN;
    values.autostart = m_autostart->GetValue();
    values.startInTray = m_startInTray->GetValue();
    values.sortByName = m_sortByName->GetValue();
    values.passwordInKeyring = m_passwordInKeyring->GetValue();
    values.historyOfEveryone = m_historyScope->GetSelection() == 1;
    values.historyDays = m_historyDays->GetValue();
    values.announce.command = m_command->GetValue();
    const int sound = m_sound->GetSelection();
    values.announce.sound =
        sound == AnnouncementSettings::SOUND_THEME  ? AnnouncementSettings::SOUND_THEME
        : sound == AnnouncementSettings::SOUND_FILE ? AnnouncementSettings::SOUND_FILE
                                                    : AnnouncementSettings::SOUND_OFF;
    values.announce.soundFile = m_soundFile->GetValue();
    values.announce.holdFullScreen = m_holdFullScreen->GetValue();
    for (unsigned i = 0; i < m_muted->GetCount(); ++i)
        values.muted.push_back(m_muted->GetString(i));
    return values;
}

void PreferencesDialog::OnOK(wxCommandEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]PreferencesDialog::OnOK()", this);
    // Enter in a field may press OK even while it is disabled.
    if (!CheckHosts())
        return;
    const Preferences values = Collect();
    wxString why;
    if (!values.Save(&why)) {
        wxMessageBox(why + "\n" + _("Nothing was changed."), _("Preferences"),
                     wxOK | wxICON_ERROR | wxCENTRE, this);
        return;
    }
    m_saved = values;
    // The dialog's own OK handling ends the modal loop with wxID_OK.
    event.Skip();
}

void PreferencesDialog::SetHistoryClearer(const std::function<void()>& clear) {
    m_historyClearer = clear;
    m_clearHistory->Enable(static_cast<bool>(clear));
}

void PreferencesDialog::OnClearHistory(wxCommandEvent&) {
    wxLogTrace(ROD_TRACE, "[%p]PreferencesDialog::OnClearHistory()", this);
    if (!m_historyClearer ||
        wxMessageBox(_("Delete the whole history of when performers were online, and the list of "
                       "recent announcements?"),
                     _("Clear history"), wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION, this) != wxYES)
        return;
    m_historyClearer();
    // Nothing is left to clear.
    m_clearHistory->Enable(false);
}

void PreferencesDialog::OnUnmute(wxCommandEvent&) {
    int selected = m_muted->GetSelection();
    if (selected == wxNOT_FOUND && m_muted->GetCount() == 1)
        selected = 0;
    if (selected == wxNOT_FOUND)
        return;
    m_muted->Delete(static_cast<unsigned>(selected));
    m_unmute->Enable(m_muted->GetCount() > 0);
}

void PreferencesDialog::SetSoundPlayer(
    const std::function<void(const AnnouncementSettings&)>& play) {
    m_soundPlayer = play;
    m_play->Enable(static_cast<bool>(play));
}

void PreferencesDialog::OnPlay(wxCommandEvent&) {
    if (m_soundPlayer)
        m_soundPlayer(Collect().announce);
}

void PreferencesDialog::SetAnnouncementTester(
    const std::function<void(PopupSettings::Style, const AnnouncementSettings&)>& test) {
    m_tester = test;
    m_test->Enable(static_cast<bool>(test));
}

void PreferencesDialog::OnTestAnnouncement(wxCommandEvent&) {
    if (!m_tester)
        return;
    const Preferences values = Collect();
    m_tester(values.popupStyle, values.announce);
}
