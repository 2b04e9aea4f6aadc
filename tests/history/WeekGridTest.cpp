// The week grid from a real file: hours across midnight, the changes to and from summer time,
// a session still open, and weeks that start on the locale's first day.
#include "history/WeekGrid.h"
#include "history/HistoryStore.h"
#include "tests/history/HistoryTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace historytest;

namespace {

constexpr int SUNDAY = 0, MONDAY = 1;

struct Span {
    std::int64_t start, end;
};

// One watch from `from` to `to` as the recorder writes it for a favourite: a list wherever her
// sessions start or end and a minute after each end; a session ending at `to` is still open.
PerformerHistory WriteAndLoad(std::int64_t from, std::int64_t to, const std::vector<Span>& anna,
                              HistoryStore& store) {
    std::set<std::int64_t> times = {from, to};
    for (const Span& span : anna) {
        times.insert(span.start);
        times.insert(span.end);
        if (span.end < to)
            times.insert(span.end + MINUTE);
    }
    bool online = false;
    std::int64_t previous = 0;
    for (const std::int64_t t : times) {
        const bool now = std::any_of(anna.begin(), anna.end(),
                                     [t](const Span& s) { return t >= s.start && t <= s.end; });
        HistoryBatch batch = Batch(t, previous, previous == 0, {}, {}, {}, 3650);
        if (!previous)
            batch.tracked.push_back("anna"); // a favourite: watched from the first list
        if (now && !online)
            batch.opened.emplace_back("anna", FREE);
        if (!now && online)
            batch.closed.push_back("anna");
        store.Record(batch);
        online = now;
        previous = t;
    }
    EXPECT_TRUE(store.WaitUntilWritten(10000));
    PerformerHistory history;
    wxString why;
    EXPECT_TRUE(store.LoadPerformer("anna", to, 3650, &history, &why)) << why;
    return history;
}

// In a zone with summer time; the tests' process has no other use for TZ.
class WeekGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        ASSERT_EQ(HistoryStore::RECORDING, m_store.Open(NewFilePath()));
    }
    void TearDown() override {
        unsetenv("TZ");
        tzset();
    }

    HistoryStore m_store;
};

} // namespace

// Three weeks watched without a break; a session from Tuesday 23:30 to Wednesday 0:40, and one
// on Saturday evening that is still going on at "now".
TEST_F(WeekGridTest, MidnightAndAnOpenSessionCountInEveryHourTheyTouch) {
    const std::int64_t now = Local(2026, 6, 20, 21, 30); // a Saturday
    const std::int64_t from = Local(2026, 5, 30, 21, 30);
    const std::int64_t tuesday = Local(2026, 6, 2, 23, 30);
    const std::int64_t saturday = Local(2026, 6, 20, 20, 10);
    const PerformerHistory history =
        WriteAndLoad(from, now, {{tuesday, tuesday + 70 * MINUTE}, {saturday, now}}, m_store);

    const WeekGrid grid(history, now, MONDAY);
    EXPECT_EQ(MONDAY, grid.WeekDayOfRow(0));
    EXPECT_EQ(SUNDAY, grid.WeekDayOfRow(6));
    const int tue = 1, wed = 2, sat = 5;
    EXPECT_EQ(1, grid.At(tue, 23).online);
    EXPECT_EQ(3, grid.At(tue, 23).watched);
    EXPECT_EQ(1, grid.At(wed, 0).online);
    EXPECT_EQ(0, grid.At(tue, 22).online);
    EXPECT_EQ(1, grid.At(sat, 20).online);
    EXPECT_EQ(1, grid.At(sat, 21).online);
    // Saturday 22:00 has not come this week: watched in the three weeks before only.
    EXPECT_EQ(3, grid.At(sat, 22).watched);
    EXPECT_EQ(4, grid.At(sat, 21).watched) << "the first and the last week are partly watched";
    EXPECT_EQ(4, grid.GetWeeks());

    const std::vector<PerformerHistory::Interval> last = grid.LastSessions(10);
    ASSERT_EQ(2u, last.size());
    EXPECT_TRUE(last[0].open);
    EXPECT_EQ(saturday, last[0].start);
    EXPECT_EQ(now, last[0].until);
    EXPECT_FALSE(last[1].open);
    EXPECT_EQ(80 * MINUTE, grid.GetSecondsThisWeek());
    EXPECT_EQ(0, grid.GetSecondsLastWeek());

    // With weeks from Sunday the rows move, and this week began a day earlier.
    const WeekGrid fromSunday(history, now, SUNDAY);
    EXPECT_EQ(1, fromSunday.At(tue + 1, 23).online);
    EXPECT_EQ(80 * MINUTE,
              WeekGrid(history, Local(2026, 6, 21, 12, 0), MONDAY).GetSecondsThisWeek());
    EXPECT_EQ(80 * MINUTE,
              WeekGrid(history, Local(2026, 6, 21, 12, 0), SUNDAY).GetSecondsLastWeek());
}

// 29 March 2026: 2:00 becomes 3:00. 25 October 2026: 3:00 becomes 2:00 again.
TEST_F(WeekGridTest, TheChangesToAndFromSummerTimeCountRealHours) {
    const std::int64_t spring = Local(2026, 3, 29, 1, 30);
    const std::int64_t springEnd = Local(2026, 3, 29, 3, 30);
    ASSERT_EQ(HOUR, springEnd - spring);
    const std::int64_t autumn = Local(2026, 10, 25, 1, 30);
    const std::int64_t autumnEnd = Local(2026, 10, 25, 3, 30) - HOUR; // the second 2:30
    ASSERT_EQ(2 * HOUR, autumnEnd - autumn);
    const std::int64_t to = Local(2026, 10, 26, 12, 0);
    const PerformerHistory history = WriteAndLoad(
        Local(2026, 3, 28, 12, 0), to, {{spring, springEnd}, {autumn, autumnEnd}}, m_store);

    const WeekGrid grid(history, to, MONDAY);
    const int sun = 6;
    EXPECT_EQ(2, grid.At(sun, 1).online);
    EXPECT_EQ(1, grid.At(sun, 2).online) << "the repeated hour is one hour of one week";
    EXPECT_EQ(1, grid.At(sun, 3).online);
    EXPECT_EQ(grid.At(sun, 1).watched - 1, grid.At(sun, 2).watched)
        << "the spring's Sunday had no 2:00";
    EXPECT_EQ(2 * HOUR, grid.GetSecondsLastWeek());
    EXPECT_EQ(HOUR, WeekGrid(history, Local(2026, 3, 30, 12, 0), MONDAY).GetSecondsLastWeek());
    EXPECT_EQ(Local(2026, 10, 19, 0, 0), WeekGrid::WeekStart(autumn, MONDAY));
}

// A session seen in one list only is online in that hour for no time; one that ends exactly on
// the hour was seen in that hour too (the list at 21:00 showed her), and not in the next.
TEST_F(WeekGridTest, ASessionOfOneListAndOneEndingOnTheHourCountTheirHours) {
    const std::int64_t now = Local(2026, 6, 20, 12, 0); // a Saturday
    const std::int64_t tuesday = Local(2026, 6, 16, 15, 20);
    const PerformerHistory history = WriteAndLoad(
        Local(2026, 6, 15, 8, 0), now,
        {{tuesday, tuesday}, {Local(2026, 6, 17, 19, 30), Local(2026, 6, 17, 21, 0)}}, m_store);

    const WeekGrid grid(history, now, MONDAY);
    const int tue = 1, wed = 2;
    EXPECT_EQ(1, grid.At(tue, 15).online);
    EXPECT_EQ(0, grid.At(tue, 16).online);
    for (const int hour : {19, 20, 21})
        EXPECT_EQ(1, grid.At(wed, hour).online) << hour;
    EXPECT_EQ(0, grid.At(wed, 22).online);
    EXPECT_EQ(90 * MINUTE, grid.GetSecondsThisWeek());
    EXPECT_EQ(2u, grid.LastSessions(10).size());
}

// Weeks whose first midnight lies before a change of the offset and whose end after it (the
// change is in the night to Sunday 29 March): each starts at its own local midnight.
TEST_F(WeekGridTest, AWeekAcrossTheChangeToSummerTimeStartsAtItsMidnight) {
    const std::int64_t now = Local(2026, 3, 30, 12, 0); // a Monday, in summer time
    const PerformerHistory history = WriteAndLoad(
        Local(2026, 3, 16, 12, 0), now,
        {{Local(2026, 3, 22, 23, 10), Local(2026, 3, 22, 23, 50)}, // the week before last
         {Local(2026, 3, 30, 0, 10), Local(2026, 3, 30, 0, 50)}},  // this week
        m_store);

    const WeekGrid grid(history, now, MONDAY);
    EXPECT_EQ(40 * MINUTE, grid.GetSecondsThisWeek());
    EXPECT_EQ(0, grid.GetSecondsLastWeek());
    EXPECT_EQ(Local(2026, 3, 23, 0, 0), WeekGrid::WeekStart(now, MONDAY, -1));
    EXPECT_EQ(Local(2026, 3, 29, 0, 0), WeekGrid::WeekStart(Local(2026, 4, 1, 12, 0), SUNDAY));
    EXPECT_EQ(40 * MINUTE,
              WeekGrid(history, Local(2026, 3, 29, 12, 0), MONDAY).GetSecondsLastWeek());
}
