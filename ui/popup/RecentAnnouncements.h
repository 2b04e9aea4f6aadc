#pragma once

#include <wx/datetime.h>
#include <wx/string.h>

#include <deque>
#include <functional>

// The last announcements of this run, kept in memory for the "Recent" window: when, who, which
// kind of news, and what became of it.
class RecentAnnouncements {
public:
    // DROPPED: the pop-up could not fetch its picture, and never appeared.
    enum Outcome { WAITING, SHOWN, FOLDED, PAUSED, FILTERED, DROPPED };
    struct Entry {
        unsigned long id;
        wxDateTime time;
        wxString name;
        int kind; // PopupDialog::KIND_ONLINE or KIND_FREE
        Outcome outcome;
    };
    static constexpr size_t CAPACITY = 200;

    // Returns the entry's id; the oldest entry goes when there are more than CAPACITY.
    unsigned long Add(const wxString& name, int kind, Outcome outcome);
    // For an entry still kept; otherwise nothing happens.
    void SetOutcome(unsigned long id, Outcome outcome);

    size_t GetCount() const { return m_entries.size(); }
    // 0 is the newest.
    const Entry& GetNewest(size_t index) const { return m_entries[m_entries.size() - 1 - index]; }
    // Index (0 the newest) of the entry with that id, or -1 when it is no longer kept.
    long FindNewestIndex(unsigned long id) const;

    // Called after every change; empty for none.
    void SetListener(const std::function<void()>& listener) { m_listener = listener; }

    static wxString KindText(int kind);
    static wxString OutcomeText(Outcome outcome);

private:
    void Changed();

    std::deque<Entry> m_entries;
    unsigned long m_nextId = 1;
    std::function<void()> m_listener;
};
