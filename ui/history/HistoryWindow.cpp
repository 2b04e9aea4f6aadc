#include "ui/history/HistoryWindow.h"

#include "history/HistorySettings.h"
#include "history/HistoryStore.h"
#include "history/WeekGrid.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "ui/history/WeekGridPanel.h"

#include <wx/listctrl.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace {

int FirstWeekDay() {
    wxDateTime::WeekDay first = wxDateTime::Sun;
    wxDateTime::GetFirstWeekDay(&first);
    return static_cast<int>(first);
}

} // namespace

HistoryWindow::HistoryWindow(HistoryStore& store, const wxString& name)
    : wxFrame(nullptr, wxID_ANY, wxString::Format(_("When is %s online"), name), wxDefaultPosition,
              wxDefaultSize, wxDEFAULT_FRAME_STYLE | wxFRAME_TOOL_WINDOW),
      m_store(store), m_name(name) {
    wxLogTrace(ROD_TRACE, "[%p]HistoryWindow::HistoryWindow(%s)", this, name);
    if (ImageStore* images = ImageStore::GetInstance())
        SetIcon(images->GetIcon("Application_icon"));
    auto* panel = new wxPanel(this);
    m_summary = new wxStaticText(panel, wxID_ANY, wxEmptyString);
    m_grid = new WeekGridPanel(panel);
    m_totals = new wxStaticText(panel, wxID_ANY, wxEmptyString);
    auto* caption = new wxStaticText(panel, wxID_ANY, _("Last sessions"));
    m_sessions = new wxListView(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                wxLC_REPORT | wxLC_SINGLE_SEL);
    m_sessions->InsertColumn(0, _("Started"));
    m_sessions->InsertColumn(1, _("Length"));
    m_sessionsAccessible = std::make_unique<ListAccessible>(m_sessions);

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_summary, 0, wxEXPAND | wxALL, 8);
    sizer->Add(m_grid, 0, wxLEFT | wxRIGHT, 8);
    sizer->Add(m_totals, 0, wxEXPAND | wxALL, 8);
    sizer->Add(caption, 0, wxLEFT | wxRIGHT, 8);
    sizer->Add(m_sessions, 1, wxEXPAND | wxALL, 8);
    panel->SetSizer(sizer);

    Reload();
    // Room for all ten sessions without a scroll bar.
    wxRect row;
    const int rowHeight = m_sessions->GetItemCount() > 0 && m_sessions->GetItemRect(0, row)
                              ? row.height
                              : m_sessions->GetCharHeight() + 8;
    m_sessions->SetMinSize(wxSize(-1, rowHeight * int(LAST_SESSIONS + 2)));
    auto* frameSizer = new wxBoxSizer(wxVERTICAL);
    frameSizer->Add(panel, 1, wxEXPAND);
    SetSizerAndFit(frameSizer);
    Centre();

    wxAcceleratorEntry escape(wxACCEL_NORMAL, WXK_ESCAPE, wxID_CLOSE);
    SetAcceleratorTable(wxAcceleratorTable(1, &escape));
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, wxID_CLOSE);
}

void HistoryWindow::Reload() {
    wxLogTrace(ROD_TRACE, "[%p]HistoryWindow::Reload()", this);
    const std::int64_t now = wxDateTime::Now().GetTicks();
    PerformerHistory history;
    wxString why;
    const bool read =
        m_store.LoadPerformer(m_name, now, int(HistorySettings::Days()), &history, &why);
    const WeekGrid grid(history, now, FirstWeekDay());
    m_grid->SetGrid(grid);
    if (!read)
        m_summary->SetLabel(why);
    else if (!grid.GetWeeks())
        m_summary->SetLabel(wxString::Format(_("Nothing has been recorded of %s yet."), m_name));
    else
        m_summary->SetLabel(wxString::Format(
            wxPLURAL("How often %s was online in each hour, over %d week of watching.",
                     "How often %s was online in each hour, over %d weeks of watching.",
                     grid.GetWeeks()),
            m_name, grid.GetWeeks()));
    // The summary wraps at the grid's width instead of widening the window.
    m_summary->Wrap(m_grid->GetMinSize().x);
    m_totals->SetLabel(wxString::Format(_("Online this week: %s; last week: %s"),
                                        Duration(grid.GetSecondsThisWeek()),
                                        Duration(grid.GetSecondsLastWeek())));

    m_sessions->DeleteAllItems();
    long item = 0;
    for (const PerformerHistory::Interval& session : grid.LastSessions(LAST_SESSIONS)) {
        const wxDateTime start(static_cast<time_t>(session.start));
        m_sessions->InsertItem(item, WeekGridPanel::DayName(start.GetWeekDay(), true) + " " +
                                         start.Format("%Y-%m-%d %H:%M"));
        wxString length = Duration(session.until - session.start);
        if (session.open)
            length += " " + _("(online now)");
        m_sessions->SetItem(item++, 1, length);
    }
    for (int column = 0; column < 2; ++column) {
        m_sessions->SetColumnWidth(column, wxLIST_AUTOSIZE_USEHEADER);
        const int header = m_sessions->GetColumnWidth(column);
        m_sessions->SetColumnWidth(column, wxLIST_AUTOSIZE);
        m_sessions->SetColumnWidth(column, std::max(header, m_sessions->GetColumnWidth(column)));
    }
    m_summary->GetParent()->Layout();
}

wxString HistoryWindow::Duration(std::int64_t seconds) {
    if (seconds > 0 && seconds < 60)
        return _("under a minute");
    const long minutes = static_cast<long>(seconds / 60);
    if (minutes < 60)
        return wxString::Format(_("%ld min"), minutes);
    return wxString::Format(_("%ld h %02ld min"), minutes / 60, minutes % 60);
}
