// The history file itself: its layout and the newer ones it leaves alone, the faults that turn
// recording off, and what retention keeps. Real SQLite files in the tests' private home.
#include "history/HistoryStore.h"
#include "history/HistorySettings.h"
#include "history/SqliteConnection.h"
#include "resources/ImageStore.h"
#include "tests/history/HistoryTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <wx/filename.h>

#include <csignal>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace historytest;

namespace {

const std::int64_t T0 = 1780000000; // a Thursday in 2026

void WriteFile(const std::string& path, const std::string& bytes) {
    wxFileName::Mkdir(wxFileName(path).GetPath(), 0700, wxPATH_MKDIR_FULL);
    std::ofstream(path, std::ios::binary) << bytes;
}

// A file with anna's one session, written and closed.
std::string RecordedFile() {
    const std::string path = NewFilePath();
    HistoryStore store;
    EXPECT_EQ(HistoryStore::RECORDING, store.Open(path));
    store.Record(Batch(T0, 0, true, {"anna"}));
    store.Record(Batch(T0 + 600, T0, false, {}, {"anna"}));
    EXPECT_TRUE(store.WaitUntilWritten(10000));
    return path;
}

PerformerHistory Load(HistoryStore& store, const char* name) {
    PerformerHistory history;
    wxString why;
    EXPECT_TRUE(store.LoadPerformer(name, T0 + DAY, 3650, &history, &why)) << why;
    return history;
}

} // namespace

TEST(HistoryStore, ANewFileIsMadeInWalModeAndANewerLayoutIsReadButNeverChanged) {
    const std::string path = RecordedFile();
    struct stat folder;
    ASSERT_EQ(0, stat(wxFileName(path).GetPath().fn_str(), &folder));
    EXPECT_EQ(0700u, folder.st_mode & 0777u);
    EXPECT_EQ(1, Query(path, "PRAGMA user_version"));
    EXPECT_EQ(2, FileBytes(path)[18]) << "the header's write version 2 is WAL";
    // The session open at the close ends at the last list that showed it.
    EXPECT_EQ(T0 + 600, Query(path, "SELECT until FROM sessions"));

    {
        SqliteConnection raw;
        wxString why;
        ASSERT_TRUE(raw.Open(path, SQLITE_OPEN_READWRITE, &why));
        ASSERT_TRUE(raw.Execute("PRAGMA user_version = 2"));
    }
    const std::string newer = FileBytes(path);
    {
        HistoryStore store;
        EXPECT_EQ(HistoryStore::READ_ONLY, store.Open(path));
        EXPECT_TRUE(store.GetProblem().Contains("newer version")) << store.GetProblem();
        ASSERT_EQ(1u, Load(store, "anna").sessions.size());
        store.Record(Batch(T0 + DAY, 0, true, {"bea"}));
        store.Keep({1, T0, "bea", 1, 1});
        store.Clear();
        EXPECT_TRUE(store.WaitUntilWritten(5000));
    }
    EXPECT_EQ(newer, FileBytes(path));
}

TEST(HistoryStore, ADamagedLockedOrUnwritableFileTurnsHistoryOffWithOneReason) {
    const auto expectOff = [](const std::string& path, const char* reason) {
        SCOPED_TRACE(path);
        const std::string before = FileBytes(path);
        HistoryStore store;
        EXPECT_EQ(HistoryStore::OFF, store.Open(path));
        EXPECT_TRUE(store.GetProblem().StartsWith("The history file " + path + " cannot be used: "))
            << store.GetProblem();
        EXPECT_TRUE(store.GetProblem().Contains(reason)) << store.GetProblem();
        EXPECT_TRUE(store.LoadAnnouncements().empty());
        store.Record(Batch(T0, 0, true, {"anna"}));
        EXPECT_EQ(before, FileBytes(path)) << "the file is left as it was";
    };

    const std::string garbage = NewFilePath();
    WriteFile(garbage, std::string("SQLite format 3\0", 16) + std::string(4080, '\x5a'));
    expectOff(garbage, "damaged");
    const std::string text = NewFilePath();
    WriteFile(text, "favourites: anna, bea\n");
    expectOff(text, "damaged");

    const std::string locked = RecordedFile();
    {
        SqliteConnection other;
        wxString why;
        ASSERT_TRUE(other.Open(locked, SQLITE_OPEN_READWRITE, &why));
        ASSERT_TRUE(other.Execute("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;"
                                  "INSERT INTO meta(key, value) VALUES('other', 1)"));
        expectOff(locked, "locked by another program");
    }
    HistoryStore afterwards;
    EXPECT_EQ(HistoryStore::RECORDING, afterwards.Open(locked)) << afterwards.GetProblem();

    // A read-only folder; root writes anywhere but on a read-only file system.
    std::string folder = TestEnvironment::MakeTempDir("readonly");
    if (geteuid() == 0)
        folder = "/proc/self";
    else
        ASSERT_EQ(0, chmod(folder.c_str(), 0555));
    expectOff(folder + "/history.sqlite3", "cannot be opened or created");
    EXPECT_FALSE(wxFileName::Exists(folder + "/history.sqlite3"));
}

// The disk fills up under the writer: one fault, later batches are dropped, and what was
// written before is still there for the next run.
TEST(HistoryStore, AFullDiskStopsRecordingOnceAndKeepsWhatWasWritten) {
    const std::string path = NewFilePath();
    int faults = 0;
    {
        HistoryStore store;
        ASSERT_EQ(HistoryStore::RECORDING, store.Open(path));
        store.SetFaultListener([&faults] { ++faults; });
        store.Record(Batch(T0, 0, true, {"anna"}));
        ASSERT_TRUE(store.WaitUntilWritten(10000));
        const unsigned long commits = store.GetCommits();

        // The process may write no file beyond what the history has now, plus a little.
        struct stat db, wal;
        ASSERT_EQ(0, stat(path.c_str(), &db));
        const off_t walSize = stat((path + "-wal").c_str(), &wal) == 0 ? wal.st_size : 0;
        rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = static_cast<rlim_t>(std::max(db.st_size, walSize) + 8192);
        ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
        HistoryBatch flood = Batch(T0 + 10, T0, false, {});
        for (int i = 0; i < 5000; ++i)
            flood.opened.emplace_back("performer number " + std::to_string(i), FREE);
        store.Record(flood);
        const bool told = WaitFor([&] { return faults > 0; }, 10000);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldSignal);
        ASSERT_TRUE(told);

        EXPECT_EQ(HistoryStore::OFF, store.GetState());
        EXPECT_TRUE(store.GetProblem().Contains("cannot be written any more"))
            << store.GetProblem();
        store.Record(Batch(T0 + 20, T0 + 10, false, {"bea"}));
        EXPECT_TRUE(store.WaitUntilWritten(5000));
        PumpEvents(50);
        EXPECT_EQ(commits, store.GetCommits());
        EXPECT_EQ(1, faults);
    }
    HistoryStore next;
    ASSERT_EQ(HistoryStore::RECORDING, next.Open(path)) << next.GetProblem();
    const PerformerHistory anna = Load(next, "anna");
    ASSERT_EQ(1u, anna.sessions.size());
    EXPECT_EQ(T0, anna.sessions[0].start);
    EXPECT_EQ(0, Query(path, "SELECT count(*) FROM performers WHERE name LIKE 'performer%'"));
}

// Sessions that ended more than the days ago go, once a day.
TEST(HistoryStore, RetentionPrunesOnceADayWhatEndedBeforeItsDays) {
    const std::string path = NewFilePath();
    HistoryStore store;
    ASSERT_EQ(HistoryStore::RECORDING, store.Open(path));
    const auto sessions = [&] {
        EXPECT_TRUE(store.WaitUntilWritten(10000));
        return Query(path, "SELECT count(*) FROM sessions");
    };
    store.Record(Batch(T0, 0, true, {"anna"}));
    store.Record(Batch(T0 + HOUR, T0, false, {}, {}, {"anna"}));
    store.Record(Batch(T0 + 50 * DAY, 0, true, {"bea"}));
    store.Record(Batch(T0 + 50 * DAY + HOUR, T0 + 50 * DAY, false, {}, {}, {"bea"}));
    EXPECT_EQ(2, sessions());

    // Day 90 after anna's end is not yet past 90 days; the day after it is.
    store.Record(Batch(T0 + 90 * DAY, 0, true, {}));
    EXPECT_EQ(2, sessions());
    store.Record(Batch(T0 + 91 * DAY + 1, T0 + 90 * DAY, false, {}));
    EXPECT_EQ(1, sessions());
    EXPECT_EQ(0, Query(path, "SELECT count(*) FROM performers WHERE name = 'anna'"));

    // Pruned today already: a shorter retention waits for tomorrow.
    store.Record(Batch(T0 + 91 * DAY + 2 * HOUR, T0 + 91 * DAY + 1, false, {}, {}, {}, 30));
    EXPECT_EQ(1, sessions());
    store.Record(Batch(T0 + 92 * DAY + 1, T0 + 91 * DAY + 2 * HOUR, false, {}, {}, {}, 30));
    EXPECT_EQ(0, sessions());
}

TEST(HistorySettings, ValuesOutOfRangeOrUnknownCountAsTheirDefaults) {
    TestEnvironment::ResetConfig();
    EXPECT_FALSE(HistorySettings::RecordsEveryone());
    EXPECT_EQ(90, HistorySettings::Days());
    const std::pair<const char*, long> days[] = {{"1", 1},     {"3650", 3650}, {"0", 90},
                                                 {"3651", 90}, {"-5", 90},     {"many", 90}};
    for (const auto& [value, expected] : days) {
        ImageStore::GetConfig()->Write("/History/days", value);
        EXPECT_EQ(expected, HistorySettings::Days()) << value;
    }
    for (const char* scope : {"All", "everyone", "favorites"}) {
        ImageStore::GetConfig()->Write("/History/scope", scope);
        EXPECT_FALSE(HistorySettings::RecordsEveryone()) << scope;
    }
    ImageStore::GetConfig()->Write("/History/scope", "all");
    EXPECT_TRUE(HistorySettings::RecordsEveryone());
    TestEnvironment::ResetConfig();
}
