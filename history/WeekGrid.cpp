#include "history/WeekGrid.h"

#include <algorithm>
#include <ctime>
#include <unordered_set>

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

std::tm Local(std::int64_t t) {
    const std::time_t when = static_cast<std::time_t>(t);
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

// An hour of local time, once however often the clock shows it: the day and the hour.
using HourKey = std::int64_t;

// Every local hour that [from, to] touches, both ends included (they are moments a list was
// seen). The next hour begins where the clock next shows a full hour, so a change of the
// offset, which happens at a full hour, is followed.
template <typename F>
void ForEachHour(std::int64_t from, std::int64_t to, F visit) {
    for (std::int64_t t = from; t <= to;) {
        const std::tm local = Local(t);
        visit(DaysFromCivil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                            static_cast<unsigned>(local.tm_mday)) *
                  WeekGrid::HOURS +
              local.tm_hour);
        t += 3600 - local.tm_min * 60 - local.tm_sec;
    }
}

std::int64_t Overlap(const PerformerHistory::Interval& in, std::int64_t from, std::int64_t to) {
    return std::max<std::int64_t>(0, std::min(in.until, to) - std::max(in.start, from));
}

} // namespace

WeekGrid::WeekGrid(const PerformerHistory& history, std::int64_t now, int firstWeekDay)
    : m_firstWeekDay(firstWeekDay), m_sessions(history.sessions) {
    const std::int64_t from = history.since;
    std::unordered_set<HourKey> watched, online;
    const auto collect = [&](const std::vector<PerformerHistory::Interval>& intervals,
                             std::unordered_set<HourKey>& hours) {
        if (!from)
            return;
        for (const PerformerHistory::Interval& in : intervals)
            ForEachHour(std::max(in.start, from), std::min(in.until, now),
                        [&hours](HourKey key) { hours.insert(key); });
    };
    collect(history.watches, watched);
    collect(history.sessions, online);

    for (const HourKey key : watched) {
        const std::int64_t day = key / HOURS;
        const int weekDay = static_cast<int>(((day % DAYS) + DAYS + 4) % DAYS); // 1970-01-01: Thu
        Cell& cell = m_cells[(weekDay - firstWeekDay + DAYS) % DAYS][key % HOURS];
        ++cell.watched;
        cell.online += online.count(key) ? 1 : 0;
        m_weeks = std::max(m_weeks, cell.watched);
    }

    const std::int64_t thisWeek = WeekStart(now, firstWeekDay);
    const std::int64_t lastWeek = WeekStart(now, firstWeekDay, -1);
    const std::int64_t nextWeek = WeekStart(now, firstWeekDay, 1);
    for (const PerformerHistory::Interval& session : history.sessions) {
        m_thisWeek += Overlap(session, thisWeek, nextWeek);
        m_lastWeek += Overlap(session, lastWeek, thisWeek);
    }
}

std::vector<PerformerHistory::Interval> WeekGrid::LastSessions(size_t count) const {
    std::vector<PerformerHistory::Interval> last(
        m_sessions.rbegin(), m_sessions.rbegin() + std::min(count, m_sessions.size()));
    return last;
}

std::int64_t WeekGrid::WeekStart(std::int64_t t, int firstWeekDay, int weeksLater) {
    std::tm local = Local(t);
    local.tm_mday -= (local.tm_wday - firstWeekDay + DAYS) % DAYS - weeksLater * DAYS;
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}
