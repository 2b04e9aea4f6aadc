#pragma once

#include "resources/ListAccessible.h"

#include <wx/frame.h>

#include <cstdint>
#include <memory>

class HistoryStore;
class WeekGridPanel;
class wxListView;
class wxStaticText;

// "When online": one performer's week grid, her time online this week and last, and her last
// ten sessions (start and length). A window of its own (no parent), like the "Recent" window,
// so that it can be shown while the main window is in the tray; whoever keeps the store
// destroys it before the store. Escape closes it.
class HistoryWindow : public wxFrame {
public:
    static constexpr size_t LAST_SESSIONS = 10;

    HistoryWindow(HistoryStore& store, const wxString& name);

    // Reads the history again, as of now.
    void Reload();

    const wxString& GetPerformer() const { return m_name; }
    WeekGridPanel* GetGridPanel() const { return m_grid; }
    wxStaticText* GetSummary() const { return m_summary; }
    wxStaticText* GetTotals() const { return m_totals; }
    wxListView* GetSessions() const { return m_sessions; }

    // A length of time in hours and minutes.
    static wxString Duration(std::int64_t seconds);

private:
    HistoryStore& m_store;
    wxString m_name;
    wxStaticText* m_summary;
    WeekGridPanel* m_grid;
    wxStaticText* m_totals;
    wxListView* m_sessions;
    std::unique_ptr<ListAccessible> m_sessionsAccessible;
};
