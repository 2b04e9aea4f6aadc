#pragma once

#include "history/HistoryBatch.h"
#include "history/KeptAnnouncement.h"

#include <wx/string.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

class SqliteConnection;

// The thread that writes the history file, so that no caller waits for the disk: callers
// queue batches, announcements and a clearing; the thread writes whatever has queued up in
// one transaction. The first failure stops it for good: what is queued then or later is
// dropped, and onFault is told why (on the writer's thread, once).
class HistoryWriter {
public:
    using FaultListener = std::function<void(const wxString&)>;

    // The number of announcements the file keeps, the newest.
    static constexpr int KEPT_ANNOUNCEMENTS = 200;

    // Takes over db, open and of the current layout, and starts the thread.
    HistoryWriter(std::unique_ptr<SqliteConnection> db, FaultListener onFault);
    // Writes what is queued, ends the watch (its open sessions end at its last list) and
    // stops the thread.
    ~HistoryWriter();

    // Any thread.
    void Record(HistoryBatch batch);
    void Keep(const KeptAnnouncement& announcement);
    // Removes everything recorded; the next batch starts a new watch.
    void Clear();
    // Waits until everything queued so far is written (or dropped); false after timeoutMs.
    bool WaitUntilWritten(int timeoutMs);
    // Transactions committed so far.
    unsigned long GetCommits() const { return m_commits; }

    // Ends the sessions that are open in the file at the last list of their watch.
    static bool CloseOpenSessions(SqliteConnection& db, wxString* why);

private:
    struct Job {
        enum Kind { BATCH, ANNOUNCEMENT, CLEAR } kind;
        HistoryBatch batch;
        KeptAnnouncement announcement;
    };
    struct Statements;

    void Queue(Job job);
    void Run();
    // The jobs up to the first clearing in one transaction, then the clearing itself.
    bool Write(std::deque<Job>& jobs);
    bool ApplyBatch(const HistoryBatch& batch);
    bool ApplyAnnouncement(const KeptAnnouncement& announcement);
    bool ClearAll();
    bool PruneIfDue(std::int64_t now, int days);
    // 0 on a failure.
    std::int64_t PerformerId(const std::string& name, std::int64_t since);
    // After a failed step of a transaction: the transaction undone, the writer failed for
    // good with the database's reason; false.
    bool RollBackAndFail();
    void Fail(const wxString& why);

    std::unique_ptr<SqliteConnection> m_db;
    FaultListener m_onFault;

    std::mutex m_guard;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;  // under m_guard
    bool m_writing = false;  // under m_guard
    bool m_stopping = false; // under m_guard
    std::atomic<unsigned long> m_commits{0};

    // The writer thread's own.
    std::unique_ptr<Statements> m_sql;
    bool m_failed = false;
    std::int64_t m_watch = 0;
    std::unordered_map<std::string, std::int64_t> m_openSessions;
    std::unordered_map<std::string, std::int64_t> m_performers;
    std::int64_t m_lastPrune = -1;

    std::thread m_thread;
};
