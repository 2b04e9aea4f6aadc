#pragma once

#include "history/PerformerHistory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A performer's week of hours, in local time: for each weekday and hour, in how many of the
// weeks the program watched that hour she was online in it; her time online this week and last
// week; her last sessions. An hour counts once per week, however many sessions touched it: a
// session across midnight counts on both days, and the hour that a change from summer time
// repeats is one hour.
class WeekGrid {
public:
    static constexpr int DAYS = 7, HOURS = 24;
    struct Cell {
        int online = 0;
        int watched = 0;
    };

    // firstWeekDay is the weekday of the first row: 0 for Sunday to 6 for Saturday. Nothing
    // after now counts.
    WeekGrid(const PerformerHistory& history, std::int64_t now, int firstWeekDay);

    const Cell& At(int row, int hour) const { return m_cells[row][hour]; }
    // 0 for Sunday to 6 for Saturday.
    int WeekDayOfRow(int row) const { return (m_firstWeekDay + row) % DAYS; }
    // The most weeks that any hour was watched.
    int GetWeeks() const { return m_weeks; }
    std::int64_t GetSecondsThisWeek() const { return m_thisWeek; }
    std::int64_t GetSecondsLastWeek() const { return m_lastWeek; }
    // At most count sessions, the newest first.
    std::vector<PerformerHistory::Interval> LastSessions(size_t count) const;

    // Local midnight at the start of the week (firstWeekDay) that holds t, and weeks later.
    static std::int64_t WeekStart(std::int64_t t, int firstWeekDay, int weeksLater = 0);

private:
    Cell m_cells[DAYS][HOURS];
    int m_firstWeekDay;
    int m_weeks = 0;
    std::int64_t m_thisWeek = 0;
    std::int64_t m_lastWeek = 0;
    std::vector<PerformerHistory::Interval> m_sessions;
};
