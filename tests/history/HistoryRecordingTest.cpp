// Recording from a refresh: the refresh thread's lists, through the recorder, into a real file.
#include "core/DaemonThread.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "resources/ImageStore.h"
#include "tests/history/HistoryTestSupport.h"
#include "tests/support/EventRecorder.h"
#include "tests/support/TestEnvironment.h"
#include "tests/thread/ScriptedSite.h"

#include <gtest/gtest.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <memory>

using namespace historytest;

namespace {

class HistoryRecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestEnvironment::ResetConfig();
        m_path = NewFilePath();
        ASSERT_EQ(HistoryStore::RECORDING, m_store->Open(m_path));
        m_thread->AddListObserver(&m_recorder);
        m_thread->AddListObserver(&m_lists);
    }
    void TearDown() override {
        Stop();
        TestEnvironment::ResetConfig();
    }
    void Start() { ASSERT_EQ(m_thread->Run(), wxTHREAD_NO_ERROR); }
    // Also lets the lists posted before the stop through.
    void Stop() {
        if (m_thread) {
            m_thread->Delete();
            m_thread.reset();
            PumpEvents(50);
        }
    }
    // Waits until both the recorder and the test have seen the lists.
    bool WaitForLists(size_t count) {
        return WaitFor([&] { return m_lists.records.size() >= count; }, 10000);
    }
    std::int64_t ListTime(size_t index) const { return m_lists.records[index].time.GetTicks(); }
    PerformerHistory Load(HistoryStore& store, const char* name) {
        EXPECT_TRUE(store.WaitUntilWritten(10000));
        PerformerHistory history;
        wxString why;
        EXPECT_TRUE(store.LoadPerformer(name, ListTime(m_lists.records.size() - 1) + DAY, 3650,
                                        &history, &why))
            << why;
        return history;
    }

    std::string m_path;
    std::unique_ptr<HistoryStore> m_store = std::make_unique<HistoryStore>();
    HistoryRecorder m_recorder{*m_store};
    EventRecorder m_lists;
    ScriptedSite m_site;
    std::unique_ptr<DaemonThread> m_thread = std::make_unique<DaemonThread>(&m_site);
};

} // namespace

// anna is online free, then busy, then gone; bea comes and is still online when the program
// ends; carl is no favourite. A second apart, so that the end of the run differs from the
// last list.
TEST_F(HistoryRecordingTest, FavouritesSessionsFollowTheListsAndAnOpenOneEndsAtTheLastList) {
    ImageStore::GetConfig()->Write("/favorites", "anna,bea,");
    m_site.Succeed(MakeList({{"anna", FREE}, {"carl", FREE}}), 1000);
    m_site.Succeed(MakeList({{"anna", BUSY}, {"bea", FREE}, {"carl", BUSY}}), 1000);
    m_site.Succeed(MakeList({{"bea", FREE}}), 1000);
    Start();
    ASSERT_TRUE(WaitForLists(4)) << "the last list comes again unchanged";
    Stop();
    const std::int64_t last = ListTime(m_lists.records.size() - 1);
    ASSERT_LT(ListTime(0), ListTime(1));

    const PerformerHistory anna = Load(*m_store, "anna");
    ASSERT_EQ(1u, anna.sessions.size());
    EXPECT_EQ(ListTime(0), anna.sessions[0].start);
    EXPECT_EQ(ListTime(1), anna.sessions[0].until) << "the last list that showed her";
    EXPECT_EQ(2, Query(m_path, "SELECT count(*) FROM changes"
                               " JOIN sessions ON sessions.id = changes.session"
                               " JOIN performers ON performers.id = sessions.performer"
                               " WHERE performers.name = 'anna'"));
    const PerformerHistory bea = Load(*m_store, "bea");
    ASSERT_EQ(1u, bea.sessions.size());
    EXPECT_TRUE(bea.sessions[0].open);
    EXPECT_EQ(last, bea.sessions[0].until);
    EXPECT_EQ(ListTime(0), bea.since) << "watched from the first list, though offline";
    EXPECT_EQ(0, Query(m_path, "SELECT count(*) FROM performers WHERE name = 'carl'"));

    wxMilliSleep(1100);
    m_store.reset();
    HistoryStore reopened;
    ASSERT_EQ(HistoryStore::RECORDING, reopened.Open(m_path));
    const PerformerHistory closed = Load(reopened, "bea");
    ASSERT_EQ(1u, closed.sessions.size());
    EXPECT_FALSE(closed.sessions[0].open);
    EXPECT_EQ(last, closed.sessions[0].until) << "closed at the last list, not at the exit";
}

// With the scope "all" everyone online is recorded, favourite or not. Clearing leaves nothing,
// and the next list starts a new watch with the sessions of those online then.
TEST_F(HistoryRecordingTest, WithTheScopeAllEveryoneIsRecordedAndClearingStartsAfresh) {
    ImageStore::GetConfig()->Write("/History/scope", "all");
    m_site.Succeed(MakeList({{"carl", FREE}}), 300);
    m_site.Succeed(MakeList({{"carl", FREE}, {"dora", BUSY}}), 300);
    Start();
    ASSERT_TRUE(WaitForLists(2));
    EXPECT_EQ(ListTime(1), Load(*m_store, "dora").sessions.at(0).start);

    m_store->Clear();
    m_recorder.Restart();
    ASSERT_TRUE(m_store->WaitUntilWritten(10000));
    EXPECT_EQ(0, Query(m_path, "SELECT count(*) FROM sessions"));
    EXPECT_EQ(0, Query(m_path, "SELECT count(*) FROM watches"));
    const size_t cleared = m_lists.records.size();
    ASSERT_TRUE(WaitForLists(cleared + 1));
    Stop();
    const PerformerHistory dora = Load(*m_store, "dora");
    EXPECT_EQ(1, Query(m_path, "SELECT count(*) FROM watches"));
    ASSERT_EQ(1u, dora.sessions.size());
    EXPECT_GE(dora.sessions[0].start, ListTime(cleared));
}

// A large population leaves a log of some megabytes beside the file while the program runs; a
// clean end brings it into the file and removes the log and its shared memory.
TEST_F(HistoryRecordingTest, ACleanEndLeavesNeitherTheLogNorItsSharedMemory) {
    ImageStore::GetConfig()->Write("/History/scope", "all");
    constexpr int POPULATION = 3000;
    for (int list = 0; list < 3; ++list) {
        UserList users;
        for (int i = list * POPULATION / 3; i < POPULATION + list * POPULATION / 3; ++i)
            users.AddUser(User(wxString::Format("performer_%d", i), i % 2 ? FREE : BUSY));
        m_site.Succeed(users, 100);
    }
    Start();
    ASSERT_TRUE(WaitForLists(3));
    Stop();
    ASSERT_TRUE(m_store->WaitUntilWritten(10000));
    const wxString log = m_path + "-wal", shared = m_path + "-shm";
    ASSERT_TRUE(wxFileName::FileExists(log));
    ASSERT_TRUE(wxFileName::FileExists(shared));

    m_store.reset();
    EXPECT_FALSE(wxFileName::FileExists(log));
    EXPECT_FALSE(wxFileName::FileExists(shared));
    EXPECT_EQ(POPULATION + 2 * POPULATION / 3, Query(m_path, "SELECT count(*) FROM sessions"));
}

// Lists of a favourite online throughout, 10 s apart, with a gap between two of them a second
// longer than three intervals and a minute (a sleep nobody announced), and later a clock set
// back: each ends the watch and anna's session at the last list before it.
TEST(HistoryRecorderTest, AGapOrAClockSetBackEndsTheWatchAndItsSessionsAtTheLastListBefore) {
    TestEnvironment::ResetConfig();
    const std::string path = NewFilePath();
    HistoryStore store;
    ASSERT_EQ(HistoryStore::RECORDING, store.Open(path));
    HistoryRecorder recorder(store);
    ImageStore::GetConfig()->Write("/favorites", "anna,");
    ImageStore::GetConfig()->Write("/System/syncinterval", 10L);
    const std::int64_t t0 = wxDateTime::Now().GetTicks() - DAY;
    const std::int64_t gap = 3 * 10 + 60;
    const std::int64_t jumped = t0 + 10 + gap + 1;
    const std::int64_t setBack = jumped - HOUR;
    for (const std::int64_t time : {t0, t0 + 10, jumped, jumped + 10, setBack, setBack + 10}) {
        UserListEvent list(wxEVT_USER_LIST_REFRESHED, -1);
        list.SetUserList(MakeList({{"anna", FREE}}));
        list.SetTime(wxDateTime(static_cast<time_t>(time)));
        recorder.ProcessEvent(list);
    }
    EXPECT_TRUE(store.WaitUntilWritten(10000));
    PerformerHistory anna;
    wxString why;
    ASSERT_TRUE(store.LoadPerformer("anna", jumped + DAY, 3650, &anna, &why)) << why;
    ASSERT_EQ(3u, anna.sessions.size());
    EXPECT_EQ(setBack, anna.sessions[0].start);
    EXPECT_EQ(setBack + 10, anna.sessions[0].until);
    EXPECT_EQ(t0, anna.sessions[1].start);
    EXPECT_EQ(t0 + 10, anna.sessions[1].until) << "the gap was not watched";
    EXPECT_FALSE(anna.sessions[1].open);
    EXPECT_EQ(jumped, anna.sessions[2].start);
    EXPECT_EQ(jumped + 10, anna.sessions[2].until);
    EXPECT_EQ(0, Query(path, "SELECT count(*) FROM sessions WHERE until < start"));
    EXPECT_EQ(3, Query(path, "SELECT count(*) FROM watches"));
    TestEnvironment::ResetConfig();
}
