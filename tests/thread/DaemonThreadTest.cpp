#include "core/DaemonThread.h"
#include "tests/support/TestEnvironment.h"
#include "tests/thread/PostOrderRecorder.h"
#include "tests/thread/ScriptedSite.h"

#include <gtest/gtest.h>
#include <wx/stopwatch.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

using Ms = std::chrono::milliseconds;

class DaemonThreadTest : public ::testing::Test {
protected:
    void TearDown() override { Stop(); }

    void Start() { ASSERT_EQ(m_thread->Run(), wxTHREAD_NO_ERROR); }

    // Stops the thread the owner's way; returns Entry's result.
    long Stop() {
        if (!m_thread)
            return -1;
        wxThread::ExitCode rc = reinterpret_cast<wxThread::ExitCode>(-1);
        m_thread->Delete(&rc);
        m_thread.reset();
        return static_cast<long>(reinterpret_cast<intptr_t>(rc));
    }

    // How often the system thread tid gave up the processor, voluntarily or not.
    static long ContextSwitches(long tid) {
        std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
        long total = 0;
        for (std::string line; std::getline(status, line);) {
            const auto colon = line.find(':');
            if (colon != std::string::npos && line.find("ctxt_switches") != std::string::npos)
                total += std::stol(line.substr(colon + 1));
        }
        return total;
    }

    static long Elapsed(ScriptedSite::Clock::time_point from, ScriptedSite::Clock::time_point to) {
        return static_cast<long>(std::chrono::duration_cast<Ms>(to - from).count());
    }

    ScriptedSite m_site;
    std::unique_ptr<DaemonThread> m_thread{new DaemonThread(&m_site)};
};

TEST_F(DaemonThreadTest, FirstListGoesOncePerHandlerAndUnchangedRefreshesPostNothing) {
    m_site.Succeed(MakeList({{"anna", 0x03}, {"bea", 0x0D}}), 20);
    EventRecorder first, second;
    m_thread->AddEventHandler(&first);
    m_thread->AddEventHandler(nullptr); // skipped, not dereferenced
    m_thread->AddEventHandler(&second);
    Start();

    // Several unchanged refreshes after the first list.
    ASSERT_TRUE(WaitFor([&] { return m_site.Started() >= 5; }));
    PumpEvents(50);
    for (EventRecorder* recorder : {&first, &second}) {
        ASSERT_EQ(recorder->records.size(), 1u);
        const EventRecorder::Record& list = recorder->records[0];
        EXPECT_EQ(list.type, wxEVT_USER_LIST_INITIALIZED);
        EXPECT_EQ(list.id, -1);
        ASSERT_EQ(list.list.size(), 2u);
        ASSERT_NE(list.list.FindUser("bea"), nullptr);
        EXPECT_EQ(list.list.FindUser("bea")->GetStatus(), 0x0Du);
    }
}

TEST_F(DaemonThreadTest, ChangesArePostedAddedThenDeletedThenChangedToHandlersInOrder) {
    m_site.Succeed(MakeList({{"anna", 0x03}, {"dora", 0x03}, {"eva", 0x01}}), 20);
    m_site.Succeed(MakeList({{"anna", 0x0D}, {"nina", 0x03}, {"eva", 0x01}}), 20);
    PostOrderRecorder::Log log;
    PostOrderRecorder first("1", log), second("2", log);
    m_thread->AddEventHandler(&first);
    m_thread->AddEventHandler(&second);
    Start();

    ASSERT_TRUE(WaitFor([&] { return second.records.size() >= 4; }));
    PumpEvents(50);
    const std::vector<std::string> expected = {"1 list",         "2 list",         "1 added nina",
                                               "2 added nina",   "1 deleted dora", "2 deleted dora",
                                               "1 changed anna", "2 changed anna"};
    EXPECT_EQ(log.Snapshot(), expected);

    for (EventRecorder* recorder :
         {static_cast<EventRecorder*>(&first), static_cast<EventRecorder*>(&second)}) {
        ASSERT_EQ(recorder->records.size(), 4u);
        const auto& added = recorder->records[1];
        EXPECT_EQ(added.status, 0x03u);
        EXPECT_EQ(added.oldStatus, 0xFFFFFFFFu);
        const auto& deleted = recorder->records[2];
        EXPECT_EQ(deleted.status, 0x03u) << "a deleted user carries its last status";
        EXPECT_EQ(deleted.oldStatus, 0xFFFFFFFFu);
        const auto& changed = recorder->records[3];
        EXPECT_EQ(changed.type, wxEVT_USER_CHANGED);
        EXPECT_EQ(changed.status, 0x0Du);
        EXPECT_EQ(changed.oldStatus, 0x03u);
        EXPECT_EQ(changed.id, -1);
        // Found in the second list: a departure and a return can be told apart by lists.
        for (size_t i = 1; i < 4; ++i)
            EXPECT_EQ(recorder->records[i].listNumber, 2u) << recorder->records[i].name;
    }
}

// The history's road: every list whole, after its changes, also the lists that change nothing,
// each with its number and the time its download began; and nothing else to the observer.
TEST_F(DaemonThreadTest, AListObserverGetsEveryListWholeAfterItsChangesAndNothingElse) {
    m_site.Succeed(MakeList({{"anna", 0x03}}), 20);
    m_site.Succeed(MakeList({{"anna", 0x0D}, {"nina", 0x03}}), 20);
    PostOrderRecorder::Log log;
    PostOrderRecorder handler("h", log), observer("o", log);
    m_thread->AddEventHandler(&handler);
    m_thread->AddListObserver(&observer);
    const wxDateTime before = wxDateTime::Now();
    Start();

    ASSERT_TRUE(WaitFor([&] { return observer.records.size() >= 4; }));
    const std::vector<std::string> snapshot = log.Snapshot();
    const std::vector<std::string> expected = {"h list",         "o refreshed", "h added nina",
                                               "h changed anna", "o refreshed", "o refreshed"};
    EXPECT_EQ(std::vector<std::string>(snapshot.begin(), snapshot.begin() + 6), expected);
    EXPECT_EQ(handler.records.size(), 3u) << "the handler gets no whole lists after the first";
    for (size_t i = 0; i < 4; ++i) {
        const EventRecorder::Record& list = observer.records[i];
        EXPECT_EQ(list.type, wxEVT_USER_LIST_REFRESHED);
        EXPECT_EQ(list.listNumber, i + 1);
        EXPECT_EQ(list.list.size(), i == 0 ? 1u : 2u);
        ASSERT_TRUE(list.time.IsValid());
        EXPECT_FALSE(list.time.IsEarlierThan(i ? observer.records[i - 1].time : before));
        EXPECT_FALSE(list.time.IsLaterThan(wxDateTime::Now()));
    }
    ASSERT_NE(observer.records[1].list.FindUser("anna"), nullptr);
    EXPECT_EQ(observer.records[1].list.FindUser("anna")->GetStatus(), 0x0Du);
}

TEST_F(DaemonThreadTest, HandlerAddedAfterTheFirstListGetsOnlyPerUserEvents) {
    m_site.Succeed(MakeList({{"anna", 0x03}}), 20);
    EventRecorder early, late;
    m_thread->AddEventHandler(&early);
    Start();
    ASSERT_TRUE(WaitFor([&] { return early.records.size() == 1; }));

    m_thread->AddEventHandler(&late);
    m_site.Succeed(MakeList({{"anna", 0x15}}), 20);
    ASSERT_TRUE(WaitFor([&] { return late.records.size() == 1 && early.records.size() == 2; }));
    PumpEvents(50);
    ASSERT_EQ(late.records.size(), 1u);
    EXPECT_EQ(late.records[0].type, wxEVT_USER_CHANGED);
    EXPECT_EQ(late.records[0].oldStatus, 0x03u);
    EXPECT_EQ(late.Count(wxEVT_USER_LIST_INITIALIZED), 0u);
}

TEST_F(DaemonThreadTest, FailuresWaitTheSitesRetryDelayAndAStopEndsTheWaitAtOnce) {
    // A retry delay longer than the interval tells the two waits apart.
    const int delay = 800;
    const int retry = 2000;
    m_site.Succeed(MakeList({{"anna", 0x03}}), delay);
    m_site.Fail(0, retry);
    m_site.Succeed(MakeList({{"anna", 0x03}, {"bea", 0x03}}), delay);
    m_site.Fail(0, 60000);
    EventRecorder recorder;
    m_thread->AddEventHandler(&recorder);
    Start();

    ASSERT_TRUE(WaitFor([&] { return m_site.Finished() >= 4; }, 2 * delay + retry + 10000));
    const auto calls = m_site.CallTimes();
    EXPECT_GE(Elapsed(calls[0], calls[1]), delay - 50) << "the first refresh waits the delay";
    EXPECT_GE(Elapsed(calls[1], calls[2]), retry - 50) << "a failure waits what the site asks";
    EXPECT_GE(Elapsed(calls[2], calls[3]), delay - 50) << "after a success the delay is back";
    ASSERT_TRUE(WaitFor([&] { return recorder.records.size() == 2; }));
    EXPECT_EQ(recorder.records[1].type, wxEVT_USER_ADDED);
    EXPECT_EQ(recorder.records[1].name, "bea");

    // The last failure asked for a minute: the stop does not wait for it.
    wxStopWatch watch;
    EXPECT_EQ(Stop(), 0);
    EXPECT_LT(watch.Time(), 2000);
    EXPECT_EQ(m_site.Started(), 4);
}

TEST_F(DaemonThreadTest, AfterTheSiteGaveUpNothingIsDownloadedUntilTheStop) {
    m_site.Fail(0, 50);
    m_site.GiveUp();
    m_site.Succeed(MakeList({{"anna", 0x03}}), 20);
    EventRecorder recorder;
    m_thread->AddEventHandler(&recorder);
    Start();
    ASSERT_TRUE(WaitFor([&] { return m_site.Finished() == 2; }));

    // A thread that went on would call again within milliseconds.
    PumpEvents(500);
    EXPECT_EQ(m_site.Started(), 2);
    wxStopWatch watch;
    EXPECT_EQ(Stop(), 1);
    EXPECT_LT(watch.Time(), 2000);
    EXPECT_TRUE(recorder.records.empty());
}

// The favourites' way in: the list the handler starts from and the thread's events after it
// must fit, whenever the registration falls between a download and its posting.
TEST_F(DaemonThreadTest, AHandlerRegisteredWithTheCurrentListGetsEachLaterChangeOnceAfterIt) {
    const UserList first = MakeList({{"anna", 0x03}, {"bea", 0x0D}});
    m_site.SucceedAndHold(first, 20);
    m_site.SucceedAndHold(MakeList({{"anna", 0x15}, {"carl", 0x03}}), 20);
    EventRecorder all, favourites;
    m_thread->AddEventHandler(&all);
    std::vector<UserList> startLists;
    const auto postStart = [&](const UserList& current) {
        startLists.push_back(current);
        UserListEvent event(wxEVT_USER_LIST_INITIALIZED, 0);
        event.SetUserList(current);
        favourites.AddPendingEvent(event);
    };
    Start();

    // The first list is in the site but not posted: the handler starts from nothing and
    // gets that list's users as additions, never the whole list as its own.
    ASSERT_TRUE(m_site.WaitUntilHeld());
    m_thread->RegisterWithCurrentList(&favourites, postStart);
    m_site.Release();
    ASSERT_TRUE(WaitFor([&] { return favourites.records.size() == 3; }));
    ASSERT_EQ(startLists.size(), 1u);
    EXPECT_TRUE(startLists[0].empty());
    EXPECT_EQ(favourites.records[0].type, wxEVT_USER_LIST_INITIALIZED);
    EXPECT_EQ(favourites.Count(wxEVT_USER_ADDED), 2u);

    // Again while the next download waits to be posted: the start is the list posted last,
    // and the download's changes follow it, each once (registering again adds no copy).
    ASSERT_TRUE(m_site.WaitUntilHeld());
    m_thread->RegisterWithCurrentList(&favourites, postStart);
    m_site.Release();
    ASSERT_TRUE(WaitFor([&] { return favourites.records.size() == 7 && all.records.size() == 4; }));
    PumpEvents(100);
    ASSERT_EQ(startLists.size(), 2u);
    ASSERT_EQ(startLists[1].size(), 2u);
    EXPECT_EQ(startLists[1].GetUser("anna").GetStatus(), 0x03u);
    const std::vector<std::pair<wxEventType, std::string>> expected = {
        {wxEVT_USER_LIST_INITIALIZED, ""},
        {wxEVT_USER_ADDED, "carl"},
        {wxEVT_USER_DELETED, "bea"},
        {wxEVT_USER_CHANGED, "anna"}};
    ASSERT_EQ(favourites.records.size(), 7u);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(favourites.records[3 + i].type, expected[i].first) << i;
        EXPECT_EQ(favourites.records[3 + i].name, expected[i].second) << i;
    }
    EXPECT_EQ(favourites.records[6].oldStatus, 0x03u);

    // The handlers registered the plain way saw the first list whole, then the same changes.
    ASSERT_EQ(all.records.size(), 4u);
    EXPECT_EQ(all.records[0].type, wxEVT_USER_LIST_INITIALIZED);
    EXPECT_EQ(all.records[0].list.size(), first.size());
}

TEST_F(DaemonThreadTest, StopWhileWaitingIsNoticedWithinATenthOfTheDelay) {
    const int delay = 10000;
    m_site.Succeed(MakeList({{"anna", 0x03}}), delay);
    EventRecorder recorder;
    m_thread->AddEventHandler(&recorder);
    Start();
    ASSERT_TRUE(WaitFor([&] { return recorder.records.size() == 1; }));

    wxStopWatch watch;
    EXPECT_EQ(Stop(), 0) << "stopped after a successful refresh";
    // A tenth of the delay plus room for a loaded machine; one long sleep would take 10 s.
    EXPECT_LT(watch.Time(), delay / 10 + 1500);
    EXPECT_EQ(m_site.Started(), 1);
}

TEST_F(DaemonThreadTest, StopBeforeTheFirstSuccessEndsWithResultOneAfterTheRunningCall) {
    m_site.Fail(400);
    EventRecorder recorder;
    m_thread->AddEventHandler(&recorder);
    Start();
    ASSERT_TRUE(WaitFor([&] { return m_site.Started() >= 2; }));

    // The stop lands in the middle of a slow download: it must wait for it to return.
    EXPECT_EQ(Stop(), 1);
    EXPECT_EQ(m_site.Finished(), m_site.Started()) << "Delete returned while the thread ran";
    PumpEvents(50);
    EXPECT_TRUE(recorder.records.empty());
}

TEST_F(DaemonThreadTest, HandlersMayBeDestroyedRightAfterTheStop) {
    // Refreshes with changes every few milliseconds keep the thread posting.
    for (int i = 0; i < 400; ++i)
        m_site.Succeed(MakeList({{"anna", i % 2 ? 0x03UL : 0x0DUL}, {"bea", 0x03}}), 5);
    auto recorder = std::make_unique<EventRecorder>();
    m_thread->AddEventHandler(recorder.get());
    Start();
    ASSERT_TRUE(WaitFor([&] { return recorder->Count(wxEVT_USER_CHANGED) >= 5; }));

    Stop();
    const int finished = m_site.Finished();
    recorder.reset(); // a post after Delete would now reach freed memory
    PumpEvents(50);
    EXPECT_EQ(m_site.Started(), finished);
}

TEST_F(DaemonThreadTest, ShortDelaysDoNotSpinTheProcessor) {
    // With a delay under 10 ms a tenth would be a sleep of 0 ms, which returns at once.
    m_site.Succeed(MakeList({{"anna", 0x03}}), 5);
    m_thread->AddEventHandler(nullptr);
    Start();
    ASSERT_TRUE(WaitFor([&] { return m_site.Started() >= 2; }));
    const long tid = m_site.CallerThread();

    const long switchesBefore = ContextSwitches(tid);
    const int callsBefore = m_site.Started();
    wxStopWatch watch;
    while (watch.Time() < 1000)
        wxMilliSleep(20);
    const long switches = ContextSwitches(tid) - switchesBefore;
    const double seconds = watch.Time() / 1000.0;
    // Sleeps of 1 ms allow at most about a thousand a second.
    EXPECT_LT(switches / seconds, 2500) << "the waiting thread barely slept";
    EXPECT_GT(m_site.Started() - callsBefore, 20) << "yet it kept refreshing";
}

} // namespace

TEST_F(DaemonThreadTest, AnHourLongIntervalEndsEarlyOnARefreshRequestAndOnAStop) {
    const int hour = 3600 * 1000;
    m_site.Succeed(MakeList({{"anna", 0x03}}), hour);
    m_site.Succeed(MakeList({{"anna", 0x03}, {"bea", 0x03}}), hour);
    EventRecorder recorder;
    m_thread->AddEventHandler(&recorder);
    Start();
    ASSERT_TRUE(WaitFor([&] { return recorder.records.size() == 1; }));

    // The preferences changed the site or the interval: the next refresh comes now.
    m_thread->RefreshSoon();
    ASSERT_TRUE(WaitFor([&] { return recorder.records.size() == 2; }, 5000));
    EXPECT_EQ(recorder.records[1].name, "bea");
    PumpEvents(300);
    EXPECT_EQ(m_site.Started(), 2);

    // The request is used up: the wait is an hour again, and a stop still ends it at once.
    wxStopWatch watch;
    EXPECT_EQ(Stop(), 0);
    EXPECT_LT(watch.Time(), 1500);
}

// Run by CTest under libfaketime, which takes the wall clock from a file that the test writes
// and leaves the monotonic clock alone: a wall clock set back by an hour must not hold the
// refresh for an hour.
TEST(DaemonThreadClockTest, AWallClockSetBackDoesNotHoldTheRefresh) {
    const char* clockFile = std::getenv("FAKETIME_TIMESTAMP_FILE");
    if (!clockFile)
        GTEST_SKIP() << "runs under libfaketime";
    ScriptedSite site;
    site.Succeed(MakeList({{"anna", 0x03}}), 1000);
    site.Succeed(MakeList({{"anna", 0x03}, {"bea", 0x03}}), 1000);
    EventRecorder recorder;
    DaemonThread thread(&site);
    thread.AddEventHandler(&recorder);
    std::ofstream(clockFile) << "+0\n";
    ASSERT_EQ(thread.Run(), wxTHREAD_NO_ERROR);
    EXPECT_TRUE(WaitFor([&] { return recorder.records.size() == 1; }));
    std::ofstream(clockFile) << "-1h\n";
    EXPECT_TRUE(WaitFor([&] { return recorder.records.size() == 2; }, 5000));
    thread.Delete();
}
