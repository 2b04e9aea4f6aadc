#include "ui/popup/RecentListCtrl.h"

#include "core/SiteEndpoints.h"
#include "resources/Trace.h"
#include "resources/Util.h"
#include "ui/popup/PopupDialog.h"
#include "ui/popup/RecentAnnouncements.h"

#include <wx/log.h>

#include <algorithm>

RecentListCtrl::RecentListCtrl(wxWindow* parent, const RecentAnnouncements* list)
    : wxListView(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL),
      m_list(list) {
    // Entries of earlier days (kept from run to run) show their date too.
    InsertColumn(COLUMN_TIME, _("Time"), wxLIST_FORMAT_LEFT,
                 WidestText({_("Time"), TimeText(wxDateTime(28, wxDateTime::Dec, 2000, 23, 59, 59)),
                             TimeText(wxDateTime::Now())}));
    InsertColumn(COLUMN_NAME, _("Name"), wxLIST_FORMAT_LEFT, 120);
    InsertColumn(COLUMN_KIND, _("Kind"), wxLIST_FORMAT_LEFT,
                 WidestText({_("Kind"), RecentAnnouncements::KindText(PopupDialog::KIND_ONLINE),
                             RecentAnnouncements::KindText(PopupDialog::KIND_FREE)}));
    InsertColumn(
        COLUMN_OUTCOME, _("Pop-up"), wxLIST_FORMAT_LEFT,
        WidestText({_("Pop-up"), RecentAnnouncements::OutcomeText(RecentAnnouncements::WAITING),
                    RecentAnnouncements::OutcomeText(RecentAnnouncements::SHOWN),
                    RecentAnnouncements::OutcomeText(RecentAnnouncements::FOLDED),
                    RecentAnnouncements::OutcomeText(RecentAnnouncements::PAUSED),
                    RecentAnnouncements::OutcomeText(RecentAnnouncements::FILTERED),
                    RecentAnnouncements::OutcomeText(RecentAnnouncements::NOT_SHOWN),
                    RecentAnnouncements::OutcomeText(RecentAnnouncements::MUTED),
                    RecentAnnouncements::OutcomeText(RecentAnnouncements::TEST),
                    RecentAnnouncements::OutcomeText(RecentAnnouncements::HELD)}));
    Bind(wxEVT_LIST_ITEM_ACTIVATED, &RecentListCtrl::OnActivated, this);
    m_accessible = std::make_unique<ListAccessible>(this);
    Reload();
}

// Translations are longer than the English words in some languages: a column fits its
// widest text, header included.
int RecentListCtrl::WidestText(std::initializer_list<wxString> texts) const {
    // Room for the cell's padding on either side.
    constexpr int MARGIN = 16;
    int widest = 0;
    for (const wxString& text : texts)
        widest = std::max(widest, GetTextExtent(text).x);
    return widest + MARGIN;
}

void RecentListCtrl::ScheduleReload() {
    if (m_reloadPending)
        return;
    m_reloadPending = true;
    CallAfter(&RecentListCtrl::Reload);
}

void RecentListCtrl::Detach() {
    m_list = nullptr;
    Reload();
}

// Rows are counted from the newest, so a new entry moves every row down: the selection
// follows its entry, not its row.
void RecentListCtrl::Reload() {
    m_reloadPending = false;
    const long selected = GetFirstSelected();
    const unsigned long selectedId =
        selected >= 0 ? m_newestShownId - static_cast<unsigned long>(selected) : 0;
    const size_t count = m_list ? m_list->GetCount() : 0;
    SetItemCount(static_cast<long>(count));
    m_accessible->RowsChanged();
    m_newestShownId = count ? m_list->GetNewest(0).id : 0;
    if (selected >= 0 && static_cast<size_t>(selected) < count) {
        Select(selected, false);
        const long index = m_list && selectedId ? m_list->FindNewestIndex(selectedId) : -1;
        if (index >= 0)
            Select(index, true);
    }
    Refresh();
}

wxString RecentListCtrl::OnGetItemText(long item, long column) const {
    if (!m_list || item < 0 || static_cast<size_t>(item) >= m_list->GetCount())
        return wxString();
    const RecentAnnouncements::Entry& entry = m_list->GetNewest(static_cast<size_t>(item));
    switch (column) {
    case COLUMN_TIME:
        return TimeText(entry.time);
    case COLUMN_NAME:
        return entry.name;
    case COLUMN_KIND:
        return RecentAnnouncements::KindText(entry.kind);
    case COLUMN_OUTCOME:
        return RecentAnnouncements::OutcomeText(entry.outcome);
    default:
        return wxString();
    }
}

wxString RecentListCtrl::TimeText(const wxDateTime& time) {
    return time.Format(time.IsSameDate(wxDateTime::Today()) ? "%H:%M:%S" : "%Y-%m-%d %H:%M");
}

void RecentListCtrl::OnActivated(wxListEvent& event) {
    const long item = event.GetIndex();
    wxLogTrace(ROD_TRACE, "[%p]RecentListCtrl::OnActivated(%ld)", this, item);
    if (!m_list || item < 0 || static_cast<size_t>(item) >= m_list->GetCount())
        return;
    Util::LaunchBrowser(
        SiteEndpoints::PreviewUrl("/preview.shtml?" + m_list->GetNewest(size_t(item)).name));
}
