#include "history/HistoryWriter.h"

#include "history/SqliteConnection.h"
#include "history/SqliteStatement.h"
#include "resources/Trace.h"

#include <wx/log.h>

namespace {
constexpr std::int64_t DAY = 24 * 60 * 60;
} // namespace

// Prepared once, on the writer's thread.
struct HistoryWriter::Statements {
    explicit Statements(SqliteConnection& db)
        : newWatch(db, "INSERT INTO watches(start, until) VALUES(?1, ?1)"),
          extendWatch(db, "UPDATE watches SET until = ?1 WHERE id = ?2"),
          track(db, "INSERT OR IGNORE INTO performers(name, since) VALUES(?1, ?2)"),
          performer(db, "SELECT id FROM performers WHERE name = ?1"),
          open(db, "INSERT INTO sessions(performer, watch, start) VALUES(?1, ?2, ?3)"),
          close(db, "UPDATE sessions SET until = ?1 WHERE id = ?2"),
          change(db, "INSERT OR REPLACE INTO changes(session, at, status) VALUES(?1, ?2, ?3)"),
          keep(db, "INSERT INTO announcements(id, at, name, kind, outcome)"
                   " VALUES(?1, ?2, ?3, ?4, ?5)"
                   " ON CONFLICT(id) DO UPDATE SET outcome = excluded.outcome"),
          trim(db, "DELETE FROM announcements"
                   " WHERE id <= (SELECT max(id) FROM announcements) - ?1") {}

    bool AllOk() const {
        for (const SqliteStatement* s :
             {&newWatch, &extendWatch, &track, &performer, &open, &close, &change, &keep, &trim})
            if (!s->IsOk())
                return false;
        return true;
    }

    SqliteStatement newWatch, extendWatch, track, performer, open, close, change, keep, trim;
};

HistoryWriter::HistoryWriter(std::unique_ptr<SqliteConnection> db, FaultListener onFault)
    : m_db(std::move(db)), m_onFault(std::move(onFault)) {
    m_thread = std::thread(&HistoryWriter::Run, this);
}

HistoryWriter::~HistoryWriter() {
    {
        std::lock_guard<std::mutex> lock(m_guard);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool HistoryWriter::CloseOpenSessions(SqliteConnection& db, wxString* why) {
    return db.Execute("UPDATE sessions SET until ="
                      " (SELECT until FROM watches WHERE watches.id = sessions.watch)"
                      " WHERE until IS NULL",
                      why);
}

void HistoryWriter::Record(HistoryBatch batch) {
    Queue({Job::BATCH, std::move(batch), KeptAnnouncement()});
}

void HistoryWriter::Keep(const KeptAnnouncement& announcement) {
    Queue({Job::ANNOUNCEMENT, HistoryBatch(), announcement});
}

void HistoryWriter::Clear() {
    Queue({Job::CLEAR, HistoryBatch(), KeptAnnouncement()});
}

void HistoryWriter::Queue(Job job) {
    {
        std::lock_guard<std::mutex> lock(m_guard);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

bool HistoryWriter::WaitUntilWritten(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_guard);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return m_jobs.empty() && !m_writing; });
}

void HistoryWriter::Run() {
    m_sql = std::make_unique<Statements>(*m_db);
    if (!m_sql->AllOk())
        Fail(m_db->Describe());
    for (;;) {
        std::deque<Job> jobs;
        {
            std::unique_lock<std::mutex> lock(m_guard);
            m_writing = false;
            m_idle.notify_all();
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                break;
            jobs.swap(m_jobs);
            m_writing = true;
        }
        while (!jobs.empty() && !m_failed)
            Write(jobs);
    }
    wxString why;
    if (!m_failed && !CloseOpenSessions(*m_db, &why))
        Fail(why);
    m_sql.reset();
    m_db->Close();
}

bool HistoryWriter::Write(std::deque<Job>& jobs) {
    if (jobs.front().kind == Job::CLEAR) {
        jobs.pop_front();
        return ClearAll();
    }
    if (!m_db->Execute("BEGIN IMMEDIATE")) {
        Fail(m_db->Describe());
        return false;
    }
    bool ok = true;
    bool kept = false;
    while (ok && !jobs.empty() && jobs.front().kind != Job::CLEAR) {
        const Job& job = jobs.front();
        if (job.kind == Job::BATCH) {
            ok = ApplyBatch(job.batch);
        } else {
            ok = ApplyAnnouncement(job.announcement);
            kept = true;
        }
        jobs.pop_front();
    }
    if (ok && kept)
        ok = m_sql->trim.Bind(1, std::int64_t{KEPT_ANNOUNCEMENTS}).Run();
    if (!ok || !m_db->Execute("COMMIT"))
        return RollBackAndFail();
    ++m_commits;
    return true;
}

bool HistoryWriter::ApplyBatch(const HistoryBatch& batch) {
    const std::int64_t t = batch.time;
    if (batch.newWatch || m_watch == 0) {
        // Sessions left open in an earlier watch end with it: its until no longer moves.
        if (!m_openSessions.empty() && !CloseOpenSessions(*m_db, nullptr))
            return false;
        m_openSessions.clear();
        if (!m_sql->newWatch.Bind(1, t).Run())
            return false;
        m_watch = m_db->LastInsertId();
    } else if (!m_sql->extendWatch.Bind(1, t).Bind(2, m_watch).Run()) {
        return false;
    }
    for (const std::string& name : batch.tracked)
        if (!m_sql->track.Bind(1, name).Bind(2, t).Run())
            return false;
    for (const std::string& name : batch.closed) {
        const auto open = m_openSessions.find(name);
        if (open == m_openSessions.end())
            continue;
        if (!m_sql->close.Bind(1, batch.previousTime ? batch.previousTime : t)
                 .Bind(2, open->second)
                 .Run())
            return false;
        m_openSessions.erase(open);
    }
    for (const auto& [name, status] : batch.opened) {
        const std::int64_t performer = PerformerId(name, t);
        if (!performer || !m_sql->open.Bind(1, performer).Bind(2, m_watch).Bind(3, t).Run())
            return false;
        const std::int64_t session = m_db->LastInsertId();
        m_openSessions[name] = session;
        if (!m_sql->change.Bind(1, session).Bind(2, t).Bind(3, std::int64_t(status)).Run())
            return false;
    }
    for (const auto& [name, status] : batch.changed) {
        const auto open = m_openSessions.find(name);
        if (open != m_openSessions.end() &&
            !m_sql->change.Bind(1, open->second).Bind(2, t).Bind(3, std::int64_t(status)).Run())
            return false;
    }
    return PruneIfDue(t, batch.retentionDays);
}

bool HistoryWriter::ApplyAnnouncement(const KeptAnnouncement& a) {
    return m_sql->keep.Bind(1, std::int64_t(a.id))
        .Bind(2, a.time)
        .Bind(3, a.name)
        .Bind(4, std::int64_t{a.kind})
        .Bind(5, std::int64_t{a.outcome})
        .Run();
}

std::int64_t HistoryWriter::PerformerId(const std::string& name, std::int64_t since) {
    const auto known = m_performers.find(name);
    if (known != m_performers.end())
        return known->second;
    if (!m_sql->track.Bind(1, name).Bind(2, since).Run())
        return 0;
    SqliteStatement& find = m_sql->performer;
    find.Bind(1, name);
    const std::int64_t id = find.Step() ? find.Int(0) : 0;
    find.Reset();
    if (id)
        m_performers[name] = id;
    return id;
}

// Within the batch's transaction, at most once a day (also across runs: the day is kept).
bool HistoryWriter::PruneIfDue(std::int64_t now, int days) {
    if (m_lastPrune < 0)
        m_lastPrune = m_db->QueryInt("SELECT value FROM meta WHERE key = 'lastPrune'", 0);
    if (days <= 0 || now - m_lastPrune < DAY)
        return true;
    const std::int64_t cutoff = now - days * DAY;
    const std::string at = std::to_string(cutoff);
    const std::string sql = "DELETE FROM changes WHERE session IN"
                            "  (SELECT id FROM sessions WHERE until IS NOT NULL AND until < " +
                            at +
                            ");"
                            "DELETE FROM sessions WHERE until IS NOT NULL AND until < " +
                            at +
                            ";"
                            "DELETE FROM watches WHERE until < " +
                            at + " AND id <> " + std::to_string(m_watch) +
                            ";"
                            "DELETE FROM performers WHERE since < " +
                            at +
                            "  AND id NOT IN (SELECT performer FROM sessions);"
                            "DELETE FROM announcements WHERE at < " +
                            at +
                            ";"
                            "INSERT OR REPLACE INTO meta(key, value) VALUES('lastPrune', " +
                            std::to_string(now) + ");";
    if (!m_db->Execute(sql.c_str()))
        return false;
    // Performers may have gone with their sessions.
    m_performers.clear();
    m_lastPrune = now;
    return true;
}

// The freed pages are wiped too (VACUUM), and the log that still holds them (the checkpoint).
bool HistoryWriter::ClearAll() {
    wxLogTrace(ROD_TRACE, "HistoryWriter::ClearAll()");
    m_watch = 0;
    m_openSessions.clear();
    m_performers.clear();
    m_lastPrune = -1;
    if (!m_db->Execute("BEGIN IMMEDIATE;"
                       "DELETE FROM changes; DELETE FROM sessions; DELETE FROM watches;"
                       "DELETE FROM performers; DELETE FROM announcements; DELETE FROM meta;"
                       "COMMIT") ||
        !m_db->Execute("VACUUM") || !m_db->Execute("PRAGMA wal_checkpoint(TRUNCATE)"))
        return RollBackAndFail();
    ++m_commits;
    return true;
}

bool HistoryWriter::RollBackAndFail() {
    const wxString why = m_db->Describe();
    m_db->Execute("ROLLBACK");
    Fail(why);
    return false;
}

void HistoryWriter::Fail(const wxString& why) {
    wxLogTrace(ROD_TRACE, "HistoryWriter::Fail(%s)", why);
    m_failed = true;
    {
        std::lock_guard<std::mutex> lock(m_guard);
        m_jobs.clear();
    }
    if (m_onFault)
        m_onFault(why);
}
