#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Faults scripted at run time for requests whose path (with query) starts with a prefix.
class FaultTable {
public:
    enum class Mode {
        Refuse,
        Delay,
        Error500,
        Redirect302,
        Cut,
        GzipCut, // the body gzip-compressed, asked for or not, and cut as Cut cuts
        Garbage,
        BigImage,
        BigBody,
        CtParam,
        NoLength,
        Drip,            // the body with its length, a byte every delayMs
        Stall,           // half the body without a length, then delayMs of silence, then the end
        Html,            // "200 OK" with a maintenance page
        Empty,           // "200 OK" with an empty body of the asked type
        TooManyRequests, // 429 with "Retry-After" of delayMs, in whole seconds
    };

    struct Fault {
        Mode mode = Mode::Error500;
        int remaining = -1; // requests still to hit; -1 until cleared
        // Gone at this moment whatever remains: an outage of a span of time.
        std::chrono::steady_clock::time_point until = std::chrono::steady_clock::time_point::max();
        int delayMs = 5000;
        std::size_t bytes = 50u << 20;
    };

    static std::optional<Mode> ParseMode(const std::string& word);

    // A fault for the same prefix replaces the earlier one.
    void Add(const std::string& prefix, const Fault& fault);
    void Clear();
    // The fault for this request, if any, counting it against the fault's remaining requests.
    // The longest matching prefix wins, so a narrow fault can sit inside a broad one.
    std::optional<Fault> Take(const std::string& target);

private:
    struct Entry {
        std::string prefix;
        Fault fault;
    };
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
};
