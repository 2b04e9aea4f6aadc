#include "ui/popup/RecentAnnouncements.h"

#include "ui/popup/PopupDialog.h"

#include <wx/intl.h>

unsigned long RecentAnnouncements::Add(const wxString& name, int kind, Outcome outcome) {
    const unsigned long id = m_nextId++;
    m_entries.push_back({id, wxDateTime::Now(), name, kind, outcome});
    if (m_entries.size() > CAPACITY)
        m_entries.pop_front();
    Changed(&m_entries.back());
    return id;
}

void RecentAnnouncements::Restore(const std::vector<Entry>& entries) {
    size_t first = entries.size();
    while (first > 0 && entries.size() - first < CAPACITY &&
           (first == entries.size() || entries[first - 1].id + 1 == entries[first].id))
        --first;
    m_entries.assign(entries.begin() + static_cast<long>(first), entries.end());
    // Its pop-up can no longer come.
    for (Entry& entry : m_entries)
        if (entry.outcome == WAITING)
            entry.outcome = NOT_SHOWN;
    if (!m_entries.empty())
        m_nextId = m_entries.back().id + 1;
    Changed(nullptr);
}

void RecentAnnouncements::Clear() {
    m_entries.clear();
    Changed(nullptr);
}

// Ids follow each other, so an entry is found by its distance from the newest.
long RecentAnnouncements::FindNewestIndex(unsigned long id) const {
    if (m_entries.empty() || id > m_entries.back().id || id < m_entries.front().id)
        return -1;
    return static_cast<long>(m_entries.back().id - id);
}

void RecentAnnouncements::SetOutcome(unsigned long id, Outcome outcome) {
    const long index = FindNewestIndex(id);
    if (index < 0)
        return;
    Entry& entry = m_entries[m_entries.size() - 1 - static_cast<size_t>(index)];
    entry.outcome = outcome;
    Changed(&entry);
}

void RecentAnnouncements::Changed(const Entry* entry) {
    if (entry && m_keeper)
        m_keeper(*entry);
    if (m_listener)
        m_listener();
}

wxString RecentAnnouncements::KindText(int kind) {
    return kind == PopupDialog::KIND_FREE ? _("free") : _("online");
}

wxString RecentAnnouncements::OutcomeText(Outcome outcome) {
    switch (outcome) {
    case WAITING:
        return _("waiting");
    case SHOWN:
        return _("shown");
    case FOLDED:
        return _("in a summary");
    case PAUSED:
        return _("paused");
    case FILTERED:
        return _("filtered out");
    case NOT_SHOWN:
        return _("not shown");
    case MUTED:
        return _("muted");
    case TEST:
        return _("test");
    case HELD:
        return _("held");
    }
    return wxString();
}
