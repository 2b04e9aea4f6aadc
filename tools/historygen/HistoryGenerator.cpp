#include "tools/historygen/HistoryGenerator.h"

#include "history/HistoryStore.h"

#include <wx/app.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <random>

namespace {

constexpr std::int64_t HOUR = 3600, DAY = 24 * HOUR;
constexpr unsigned long FREE = 0x01 | 0x02 | 0x08; // online, free, public
constexpr unsigned long BUSY = 0x01 | 0x04 | 0x10; // online, busy, private
constexpr int WATCH_FROM = 9, WATCH_HOURS = 17;    // 9:00 to 2:00
constexpr double DAY_OFF = 0.06;

struct Span {
    std::int64_t start, end;
    // Moments the status turns, from FREE first.
    std::vector<std::int64_t> turns;
};

std::int64_t LocalMidnight(std::int64_t t, int daysLater) {
    const std::time_t when = static_cast<std::time_t>(t);
    std::tm local{};
    localtime_r(&when, &local);
    local.tm_mday += daysLater;
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}

int WeekDay(std::int64_t t) {
    const std::time_t when = static_cast<std::time_t>(t);
    std::tm local{};
    localtime_r(&when, &local);
    return local.tm_wday;
}

} // namespace

bool HistoryGenerator::Generate(HistoryStore& store, const Options& options, Totals* totals) {
    std::mt19937 random(options.seed);
    const auto uniform = [&random](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const std::int64_t first = LocalMidnight(options.now, -options.days);

    // Each performer's sessions, day by day.
    struct Plan {
        std::vector<Span> spans;
        size_t next = 0;
    };
    std::map<std::string, Plan> plans;
    for (const std::string& name : options.names) {
        std::vector<bool> habitual(7, false);
        for (int n = static_cast<int>(uniform(2, 5)); n > 0; --n)
            habitual[static_cast<size_t>(uniform(0, 7))] = true;
        const double hour = uniform(18, 23);
        for (int day = 0; day <= options.days; ++day) {
            const std::int64_t midnight = LocalMidnight(first, day);
            double start = -1, length = 0;
            if (habitual[static_cast<size_t>(WeekDay(midnight))] && uniform(0, 1) < 0.8) {
                start = hour + std::normal_distribution<double>(0, 0.7)(random);
                length = uniform(1, 4);
            } else if (uniform(0, 1) < 0.12) {
                start = uniform(10, 23);
                length = uniform(0.5, 2);
            }
            if (start < 0)
                continue;
            Span span{midnight + static_cast<std::int64_t>(start * HOUR), 0, {}};
            span.end = span.start + static_cast<std::int64_t>(length * HOUR);
            for (std::int64_t t = span.start;;) {
                t += static_cast<std::int64_t>(std::exponential_distribution<double>(
                    1.0 / (options.meanStatusMinutes * 60))(random));
                if (t >= span.end)
                    break;
                span.turns.push_back(t);
            }
            plans[name].spans.push_back(span);
        }
    }
    std::vector<bool> dayOff(static_cast<size_t>(options.days) + 2);
    for (size_t day = 0; day < dayOff.size(); ++day)
        dayOff[day] = uniform(0, 1) < DAY_OFF;

    // The lists, as the recorder turns them into batches.
    std::map<std::string, unsigned long> online;
    std::int64_t previous = 0;
    bool watching = false, tracked = false;
    const std::int64_t step = std::max(1, options.stepSeconds);
    for (std::int64_t t = first - first % step; t <= options.now; t += step) {
        const std::int64_t midnight = LocalMidnight(t, 0);
        // The watch of a day runs on past the next midnight.
        const std::int64_t watchDay =
            t - midnight < WATCH_FROM * HOUR ? LocalMidnight(t, -1) : midnight;
        const size_t dayIndex =
            static_cast<size_t>(std::max<std::int64_t>(0, (watchDay - first + HOUR) / DAY));
        const bool watches = t >= watchDay + WATCH_FROM * HOUR &&
                             t < watchDay + (WATCH_FROM + WATCH_HOURS) * HOUR &&
                             !dayOff[std::min(dayIndex, dayOff.size() - 1)];
        if (!watches) {
            watching = false;
            continue;
        }
        HistoryBatch batch;
        batch.time = t;
        batch.previousTime = watching ? previous : 0;
        batch.newWatch = !watching;
        batch.retentionDays = std::max(options.days + 7, 90);
        if (!watching)
            online.clear();
        if (!tracked)
            batch.tracked = options.names;
        tracked = true;
        for (auto& [name, plan] : plans) {
            // Spans are in order and the time only grows: each plan keeps its place.
            while (plan.next < plan.spans.size() && plan.spans[plan.next].end < t)
                ++plan.next;
            unsigned long status = 0;
            if (plan.next < plan.spans.size() && plan.spans[plan.next].start <= t) {
                const Span& span = plan.spans[plan.next];
                const auto turned = std::upper_bound(span.turns.begin(), span.turns.end(), t);
                status = (turned - span.turns.begin()) % 2 ? BUSY : FREE;
            }
            const auto was = online.find(name);
            if (status && was == online.end()) {
                batch.opened.emplace_back(name, status);
                ++totals->sessions;
            } else if (status && was->second != status) {
                batch.changed.emplace_back(name, status);
            } else if (!status && was != online.end()) {
                batch.closed.push_back(name);
            }
            if (status)
                online[name] = status;
            else
                online.erase(name);
        }
        totals->changes += static_cast<long>(batch.opened.size() + batch.changed.size());
        ++totals->lists;
        store.Record(std::move(batch));
        previous = t;
        watching = true;
    }
    const bool written = store.WaitUntilWritten(10 * 60 * 1000);
    // A fault of the writer reaches the store through the event queue.
    if (wxAppConsole* app = wxAppConsole::GetInstance())
        app->ProcessPendingEvents();
    return written && store.IsRecording();
}
