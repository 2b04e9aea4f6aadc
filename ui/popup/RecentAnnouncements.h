#pragma once

#include <wx/datetime.h>
#include <wx/string.h>

#include <deque>
#include <functional>
#include <vector>

// The last announcements, kept in memory for the "Recent" window: when, who, which kind of
// news, and what became of it. Those of earlier runs come back from the history through
// Restore, and a keeper hears of every entry added or changed.
class RecentAnnouncements {
public:
    // NOT_SHOWN: never appeared: its picture could not be fetched, or it was still waiting
    // when its run ended. MUTED: the performer is muted. TEST: the sample of
    // "Test announcement". HELD: it came while a full-screen window held the pop-ups. The history
    // keeps outcomes by number: new ones go at the end.
    enum Outcome {
        WAITING,
        SHOWN,
        FOLDED,
        PAUSED,
        FILTERED,
        NOT_SHOWN,
        MUTED,
        TEST,
        HELD,
        LAST_OUTCOME = HELD
    };
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
    // Called with each entry added and with each entry whose outcome changed; empty for none.
    void SetKeeper(const std::function<void(const Entry&)>& keeper) { m_keeper = keeper; }
    // Before the first Add: entries of earlier runs, oldest first, the newest of them with
    // consecutive ids (those before a gap are left out). Ids go on from the newest.
    void Restore(const std::vector<Entry>& entries);
    // Forgets every entry (the history was cleared); ids go on.
    void Clear();

    static wxString KindText(int kind);
    static wxString OutcomeText(Outcome outcome);

private:
    void Changed(const Entry* entry);

    std::deque<Entry> m_entries;
    unsigned long m_nextId = 1;
    std::function<void()> m_listener;
    std::function<void(const Entry&)> m_keeper;
};
