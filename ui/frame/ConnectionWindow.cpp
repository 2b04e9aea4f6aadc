#include "ui/frame/ConnectionWindow.h"

#include "core/ConnectionStatus.h"
#include "core/LinkState.h"
#include "core/SiteEndpoints.h"
#include "net/ProxyEnvironment.h"
#include "resources/EventLog.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"

#include <wx/filename.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/utils.h>

#include <algorithm>

namespace {
const int ID_OPEN_LOG_FOLDER = wxID_HIGHEST + 1;
const int REFRESH_MS = 1000;
// Reasons are one line of libcurl's or ours; a long one wraps here.
const int WRAP_WIDTH = 420;

wxString Bytes(unsigned long long bytes) {
    if (bytes < 10 * 1024)
        return wxString::Format(_("%llu bytes"), bytes);
    if (bytes < 10 * 1024 * 1024)
        return wxString::Format(_("%llu KiB"), bytes / 1024);
    return wxString::Format(_("%llu MiB"), bytes / (1024 * 1024));
}
} // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(ConnectionWindow, wxFrame)
    EVT_TIMER(wxID_ANY, ConnectionWindow::OnTimer)
    EVT_CLOSE(ConnectionWindow::OnClose)
    EVT_CHAR_HOOK(ConnectionWindow::OnCharHook)
    EVT_BUTTON(ID_OPEN_LOG_FOLDER, ConnectionWindow::OnOpenLogFolder)
    EVT_BUTTON(wxID_PREFERENCES, ConnectionWindow::OnPreferences)
wxEND_EVENT_TABLE();
// clang-format on

ConnectionWindow::ConnectionWindow(std::function<void()> showPreferences)
    : wxFrame(nullptr, wxID_ANY, _("Connection"), wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE | wxFRAME_TOOL_WINDOW),
      m_showPreferences(std::move(showPreferences)), m_timer(this) {
    wxLogTrace(ROD_TRACE, "[%p]ConnectionWindow::ConnectionWindow()", this);
    if (ImageStore* store = ImageStore::GetInstance())
        SetIcon(store->GetIcon("Application_icon"));
    m_panel = new wxPanel(this);
    auto* grid = new wxFlexGridSizer(2, 6, 12);
    grid->AddGrowableCol(1);
    m_site = AddRow(grid, _("Site"), "site");
    m_proxy = AddRow(grid, _("Proxy"), "proxy");
    m_network = AddRow(grid, _("Network"), "network");
    m_lastList = AddRow(grid, _("Last list"), "last list");
    m_lastFailure = AddRow(grid, _("Last failure"), "last failure");
    m_nextTry = AddRow(grid, _("Next try"), "next try");
    m_transfers = AddRow(grid, _("This run"), "this run");
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    m_preferences = new wxButton(m_panel, wxID_PREFERENCES, _("Pr&eferences..."));
    buttons->Add(m_preferences, 0, wxRIGHT, 8);
    buttons->Add(new wxButton(m_panel, ID_OPEN_LOG_FOLDER, _("Open the &log's folder")));
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, 1, wxEXPAND | wxALL, 12);
    top->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    m_panel->SetSizer(top);
    ShowStatus();
    SetClientSize(m_panel->GetBestSize());
    m_timer.Start(REFRESH_MS);
}

ConnectionWindow::~ConnectionWindow() {
    wxLogTrace(ROD_TRACE, "[%p]ConnectionWindow::~ConnectionWindow()", this);
}

// Escape closes it, as it does a dialog.
void ConnectionWindow::OnCharHook(wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE && event.GetModifiers() == wxMOD_NONE)
        Close();
    else
        event.Skip();
}

wxStaticText* ConnectionWindow::AddRow(wxSizer* grid, const wxString& label, const char* name) {
    grid->Add(new wxStaticText(m_panel, wxID_ANY, label), 0, wxALIGN_TOP);
    auto* value = new wxStaticText(m_panel, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                   wxDefaultSize, 0, name);
    grid->Add(value, 1, wxEXPAND);
    return value;
}

bool ConnectionWindow::SetText(wxStaticText* row, const wxString& text) {
    if (row->GetLabel() == text)
        return false;
    row->SetLabel(text);
    row->Wrap(WRAP_WIDTH);
    return true;
}

void ConnectionWindow::ShowStatus() {
    const ConnectionStatus::Snapshot status = ConnectionStatus::Get();
    const bool siteSet = !SiteEndpoints::IsPlaceholder(SiteEndpoints::WebHost());
    const wxString scheme = SiteEndpoints::Scheme();
    bool changed = SetText(m_site, siteSet ? SiteEndpoints::WebUrl("/") : _("No site set"));
    wxString host = SiteEndpoints::WebHost();
    if (host.Contains(":"))
        host = host.BeforeLast(':');
    const std::string proxy = ProxyEnvironment::For(scheme.ToStdString(), host.ToStdString());
    changed |= SetText(m_proxy, proxy.empty() ? _("direct") : wxString::FromUTF8(proxy));
    const LinkState::Snapshot link = LinkState::Get();
    changed |= SetText(m_network, link.offline ? wxString::Format(_("Offline since %s"),
                                                                  link.offlineSince.FormatISOTime())
                                               : _("Online"));
    changed |= SetText(m_lastList,
                       status.lastList.IsValid()
                           ? wxString::Format(_("%s, %zu performers online"),
                                              status.lastList.FormatISOTime(), status.performers)
                           : _("none yet"));
    changed |= SetText(m_lastFailure,
                       status.lastFailure.IsValid()
                           ? status.lastFailure.FormatISOTime() + ": " + status.failure.GetText()
                           : _("none"));
    const wxDateTime now = wxDateTime::Now();
    wxString next = "-";
    if (status.nextTry.IsValid() && status.nextTry > now)
        next = wxString::Format(
            _("in %lld s"),
            static_cast<long long>((status.nextTry - now).GetSeconds().GetValue()) + 1);
    changed |= SetText(m_nextTry, next);
    changed |= SetText(m_transfers, wxString::Format(_("%lu transfers, %s received"),
                                                     status.transfers, Bytes(status.bytes)));
    if (m_preferences->IsShown() != !siteSet) {
        m_preferences->Show(!siteSet);
        changed = true;
    }
    if (changed) {
        // Grows to what it shows, never shrinks under the user's hands.
        m_panel->Layout();
        const wxSize wanted = m_panel->GetSizer()->GetMinSize();
        const wxSize now = GetClientSize();
        if (wanted.x > now.x || wanted.y > now.y)
            SetClientSize(wxSize(std::max(wanted.x, now.x), std::max(wanted.y, now.y)));
    }
}

void ConnectionWindow::OnTimer(wxTimerEvent&) {
    ShowStatus();
}

void ConnectionWindow::OnClose(wxCloseEvent& event) {
    // Its owner destroys it; the user only puts it away.
    if (event.CanVeto()) {
        event.Veto();
        Hide();
        return;
    }
    Destroy();
}

void ConnectionWindow::OnOpenLogFolder(wxCommandEvent&) {
    const wxString folder = EventLog::Folder();
    wxFileName::Mkdir(folder, 0700, wxPATH_MKDIR_FULL);
    if (!wxLaunchDefaultApplication(folder))
        wxLogWarning("connection: the folder %s could not be opened", folder);
}

void ConnectionWindow::OnPreferences(wxCommandEvent&) {
    if (m_showPreferences)
        m_showPreferences();
}
