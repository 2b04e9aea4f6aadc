#include "history/HistoryStore.h"

#include "history/HistorySchema.h"
#include "history/HistoryWriter.h"
#include "history/SqliteConnection.h"
#include "history/SqliteStatement.h"
#include "resources/Trace.h"

#include <sqlite3.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <algorithm>

namespace {

constexpr std::int64_t DAY = 24 * 60 * 60;
// The GUI thread opens and reads: it does not wait long for a lock. The writer has its own
// thread and waits longer before it gives up.
constexpr int GUI_BUSY_MS = 250;
constexpr int WRITER_BUSY_MS = 2000;
// Each connection keeps the pages it read, by default up to 2 MiB, and over an evening it
// reaches that; a refresh touches far fewer than 512 KiB of them.
constexpr char CACHE_SIZE[] = "PRAGMA cache_size = -512";

// A single-row text answer of a pragma, or empty.
std::string Answer(SqliteConnection& db, const char* sql) {
    SqliteStatement statement(db, sql);
    return statement.Step() ? statement.Text(0) : std::string();
}

} // namespace

HistoryStore::HistoryStore() = default;

HistoryStore::~HistoryStore() {
    wxLogTrace(ROD_TRACE, "[%p]HistoryStore::~HistoryStore()", this);
    // SQLite checkpoints the log and removes it and its shared memory only when the last
    // connection to the file closes, and only a connection that may write: the reader goes
    // first, so that the writer's close is the last.
    m_reader.reset();
    m_writer.reset();
}

wxString HistoryStore::DefaultPath() {
    wxString data;
    // Only an absolute XDG_DATA_HOME counts.
    if (!wxGetEnv("XDG_DATA_HOME", &data) || !wxFileName(data).IsAbsolute())
        data = wxGetHomeDir() + "/.local/share";
    return data + "/roduviriz/history.sqlite3";
}

HistoryStore::State HistoryStore::Open(const wxString& path) {
    wxLogTrace(ROD_TRACE, "[%p]HistoryStore::Open(%s)", this, path);
    m_path = path;
    wxString why;
    const wxString folder = wxFileName(path).GetPath();
    if (!wxFileName::DirExists(folder) && !wxFileName::Mkdir(folder, 0700, wxPATH_MKDIR_FULL))
        return Fail(wxString::Format(_("the folder %s cannot be created"), folder));

    // The version is read without the right to write: a file of a newer layout must not be
    // changed, not even by the checkpoint that the last writing connection makes on closing.
    auto reader = std::make_unique<SqliteConnection>();
    int version = 0;
    if (wxFileName::FileExists(path)) {
        if (!reader->Open(path, SQLITE_OPEN_READONLY, &why) || !reader->Execute(CACHE_SIZE, &why))
            return Fail(why);
        reader->SetBusyTimeout(GUI_BUSY_MS);
        version = HistorySchema::ReadVersion(*reader, &why);
        if (version < 0)
            return Fail(why);
        if (version > HistorySchema::VERSION) {
            m_reader = std::move(reader);
            m_problem = wxString::Format(
                _("The history file %s was written by a newer version of Roduviriz. It is shown "
                  "as it is and not changed; nothing is recorded in this run."),
                path);
            return m_state = READ_ONLY;
        }
    }

    auto db = std::make_unique<SqliteConnection>();
    if (!OpenForWriting(db, &why))
        return Fail(why);
    if (!reader->IsOpen() &&
        (!reader->Open(path, SQLITE_OPEN_READONLY, &why) || !reader->Execute(CACHE_SIZE, &why)))
        return Fail(why);
    reader->SetBusyTimeout(GUI_BUSY_MS);
    m_reader = std::move(reader);
    db->SetBusyTimeout(WRITER_BUSY_MS);
    m_writer = std::make_unique<HistoryWriter>(std::move(db), [this](const wxString& problem) {
        m_mailbox.CallAfter([this, problem] { OnWriterFault(problem); });
    });
    return m_state = RECORDING;
}

// Creates or upgrades the file, in WAL mode, and ends the sessions an earlier run left open.
bool HistoryStore::OpenForWriting(std::unique_ptr<SqliteConnection>& db, wxString* why) {
    if (!db->Open(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, why))
        return false;
    db->SetBusyTimeout(GUI_BUSY_MS);
    if (!db->Execute(CACHE_SIZE, why))
        return false;
    if (db->IsReadOnly()) {
        *why = _("it cannot be written");
        return false;
    }
    if (Answer(*db, "PRAGMA journal_mode = WAL") != "wal" ||
        Answer(*db, "PRAGMA quick_check(1)") != "ok") {
        *why = db->Describe();
        return false;
    }
    const int version = HistorySchema::ReadVersion(*db, why);
    if (version < 0 ||
        (version < HistorySchema::VERSION && !HistorySchema::Migrate(*db, version, why)))
        return false;
    // A refresh is one small transaction: the log is kept short and synced at checkpoints.
    return db->Execute("PRAGMA synchronous = NORMAL; PRAGMA journal_size_limit = 1048576", why) &&
           HistoryWriter::CloseOpenSessions(*db, why);
}

HistoryStore::State HistoryStore::Fail(const wxString& why) {
    wxLogTrace(ROD_TRACE, "[%p]HistoryStore::Fail(%s)", this, why);
    m_reader.reset();
    m_problem = wxString::Format(
        _("The history file %s cannot be used: %s. Roduviriz goes on without history."), m_path,
        why);
    return m_state = OFF;
}

void HistoryStore::OnWriterFault(const wxString& why) {
    if (m_state != RECORDING)
        return;
    m_problem = wxString::Format(
        _("The history file %s cannot be written any more: %s. Roduviriz goes on without "
          "recording history."),
        m_path, why);
    m_state = OFF;
    if (m_onFault)
        m_onFault();
}

void HistoryStore::Record(HistoryBatch batch) {
    if (IsRecording())
        m_writer->Record(std::move(batch));
}

void HistoryStore::Keep(const KeptAnnouncement& announcement) {
    if (IsRecording())
        m_writer->Keep(announcement);
}

void HistoryStore::Clear() {
    if (IsRecording())
        m_writer->Clear();
}

bool HistoryStore::WaitUntilWritten(int timeoutMs) {
    return !m_writer || m_writer->WaitUntilWritten(timeoutMs);
}

unsigned long HistoryStore::GetCommits() const {
    return m_writer ? m_writer->GetCommits() : 0;
}

bool HistoryStore::LoadPerformer(const wxString& name, std::int64_t now, int days,
                                 PerformerHistory* out, wxString* why) {
    *out = PerformerHistory();
    if (!m_reader) {
        *why = m_problem;
        return false;
    }
    const std::int64_t cutoff = now - days * DAY;
    SqliteStatement performer(*m_reader, "SELECT id, since FROM performers WHERE name = ?1");
    performer.Bind(1, name.utf8_string());
    if (!performer.Step()) {
        // Never watched is no failure.
        if (performer.IsOk() && !performer.Failed())
            return true;
        *why = m_reader->Describe();
        return false;
    }
    const std::int64_t id = performer.Int(0);
    out->since = std::max(performer.Int(1), cutoff);

    SqliteStatement sessions(*m_reader,
                             "SELECT s.start, coalesce(s.until, w.until), s.until IS NULL"
                             " FROM sessions s JOIN watches w ON w.id = s.watch"
                             " WHERE s.performer = ?1 AND coalesce(s.until, w.until) >= ?2"
                             " ORDER BY s.start");
    sessions.Bind(1, id).Bind(2, cutoff);
    while (sessions.Step())
        out->sessions.push_back({sessions.Int(0), sessions.Int(1), sessions.Int(2) != 0});
    SqliteStatement watches(*m_reader,
                            "SELECT start, until FROM watches WHERE until >= ?1 ORDER BY start");
    watches.Bind(1, cutoff);
    while (watches.Step())
        out->watches.push_back({watches.Int(0), watches.Int(1), false});
    if (!sessions.IsOk() || !watches.IsOk() || sessions.Failed() || watches.Failed()) {
        *why = m_reader->Describe();
        return false;
    }
    return true;
}

std::vector<KeptAnnouncement> HistoryStore::LoadAnnouncements() {
    std::vector<KeptAnnouncement> kept;
    if (!m_reader)
        return kept;
    SqliteStatement newest(*m_reader, "SELECT id, at, name, kind, outcome FROM announcements"
                                      " ORDER BY id DESC LIMIT ?1");
    newest.Bind(1, std::int64_t{HistoryWriter::KEPT_ANNOUNCEMENTS});
    while (newest.Step())
        kept.push_back({static_cast<unsigned long>(newest.Int(0)), newest.Int(1), newest.Text(2),
                        static_cast<int>(newest.Int(3)), static_cast<int>(newest.Int(4))});
    std::reverse(kept.begin(), kept.end());
    return kept;
}
