#pragma once

#include "resources/ListAccessible.h"

#include <wx/datetime.h>
#include <wx/listctrl.h>

#include <initializer_list>
#include <memory>

class RecentAnnouncements;

// The rows of the "Recent" window, newest first, read straight from the announcements (a
// virtual list: an update costs the same for one entry or a flood). Double click or Enter
// opens the performer's preview page.
class RecentListCtrl : public wxListView {
public:
    enum Column { COLUMN_TIME, COLUMN_NAME, COLUMN_KIND, COLUMN_OUTCOME };

    RecentListCtrl(wxWindow* parent, const RecentAnnouncements* list);

    // Takes in the list's changes, once for all changes made before the next turn of the
    // event loop; the selected entry stays selected.
    void ScheduleReload();
    // The list goes: the control shows nothing from now on.
    void Detach();

protected:
    wxString OnGetItemText(long item, long column) const override;

private:
    int WidestText(std::initializer_list<wxString> texts) const;
    // The time of day for today's entries, the date and time for older ones.
    static wxString TimeText(const wxDateTime& time);
    void Reload();
    void OnActivated(wxListEvent& event);

    const RecentAnnouncements* m_list;
    bool m_reloadPending = false;
    // Id of the entry in row 0 at the last reload.
    unsigned long m_newestShownId = 0;
    std::unique_ptr<ListAccessible> m_accessible;
};
