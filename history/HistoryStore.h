#pragma once

#include "history/HistoryBatch.h"
#include "history/KeptAnnouncement.h"
#include "history/PerformerHistory.h"

#include <wx/event.h>
#include <wx/string.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class HistoryWriter;
class SqliteConnection;

// The history file, "$XDG_DATA_HOME/roduviriz/history.sqlite3": opened (and created, or
// brought to the current layout) on the GUI thread, written by a thread of its own, read on the
// GUI thread through a second connection that never waits for the writer (the file is in WAL
// mode). Nothing in it leaves the machine.
//
// A file that cannot be used (damaged, locked, unwritable, a full disk) turns recording off
// with one problem text; the program goes on without history. A file of a newer layout is
// read but never changed.
class HistoryStore {
public:
    enum State { CLOSED, RECORDING, READ_ONLY, OFF };

    HistoryStore();
    // Sessions still open end at the last list that showed them.
    ~HistoryStore();

    static wxString DefaultPath();

    State Open(const wxString& path);
    State GetState() const { return m_state; }
    bool IsRecording() const { return m_state == RECORDING; }
    // Why the store is READ_ONLY or OFF, for the user; empty otherwise.
    const wxString& GetProblem() const { return m_problem; }
    const wxString& GetPath() const { return m_path; }
    // Called on the GUI thread when a fault turns recording off after Open.
    void SetFaultListener(const std::function<void()>& listener) { m_onFault = listener; }

    // Queued for the writer while recording; dropped otherwise. GUI thread.
    void Record(HistoryBatch batch);
    void Keep(const KeptAnnouncement& announcement);
    void Clear();
    // Waits until everything queued so far is written; false after timeoutMs.
    bool WaitUntilWritten(int timeoutMs);
    // Transactions the writer committed.
    unsigned long GetCommits() const;

    // One performer's sessions and the watches within the last days before now; false (and
    // *why) when the file cannot be read.
    bool LoadPerformer(const wxString& name, std::int64_t now, int days, PerformerHistory* out,
                       wxString* why);
    // The newest announcements kept, oldest first.
    std::vector<KeptAnnouncement> LoadAnnouncements();

private:
    State Fail(const wxString& why);
    bool OpenForWriting(std::unique_ptr<SqliteConnection>& db, wxString* why);
    void OnWriterFault(const wxString& why);

    wxString m_path;
    State m_state = CLOSED;
    wxString m_problem;
    std::function<void()> m_onFault;
    // Brings the writer's faults to the GUI thread; goes after the writer.
    wxEvtHandler m_mailbox;
    std::unique_ptr<SqliteConnection> m_reader;
    std::unique_ptr<HistoryWriter> m_writer;
};
