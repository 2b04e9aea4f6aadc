#include "tools/sitesim/FaultTable.h"

#include <algorithm>

std::optional<FaultTable::Mode> FaultTable::ParseMode(const std::string& word) {
    static const std::pair<const char*, Mode> modes[] = {
        {"refuse", Mode::Refuse},       {"delay", Mode::Delay},     {"500", Mode::Error500},
        {"302", Mode::Redirect302},     {"cut", Mode::Cut},         {"garbage", Mode::Garbage},
        {"bigimage", Mode::BigImage},   {"bigbody", Mode::BigBody}, {"ctparam", Mode::CtParam},
        {"nolength", Mode::NoLength},   {"drip", Mode::Drip},       {"stall", Mode::Stall},
        {"gzipcut", Mode::GzipCut},     {"html", Mode::Html},       {"empty", Mode::Empty},
        {"429", Mode::TooManyRequests},
    };
    for (const auto& mode : modes)
        if (word == mode.first)
            return mode.second;
    return std::nullopt;
}

void FaultTable::Add(const std::string& prefix, const Fault& fault) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [&](const Entry& e) { return e.prefix == prefix; }),
                    m_entries.end());
    m_entries.push_back({prefix, fault});
}

void FaultTable::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
}

std::optional<FaultTable::Fault> FaultTable::Take(const std::string& target) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto now = std::chrono::steady_clock::now();
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [now](const Entry& e) { return e.fault.until <= now; }),
                    m_entries.end());
    auto best = m_entries.end();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
        if (target.compare(0, it->prefix.size(), it->prefix) == 0 &&
            (best == m_entries.end() || it->prefix.size() > best->prefix.size()))
            best = it;
    if (best == m_entries.end())
        return std::nullopt;
    const Fault fault = best->fault;
    if (best->fault.remaining > 0 && --best->fault.remaining == 0)
        m_entries.erase(best);
    return fault;
}
