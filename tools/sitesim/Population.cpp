#include "tools/sitesim/Population.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

namespace {

const std::uint32_t kOnline = 0x01, kFree = 0x02, kBusy = 0x04, kPublic = 0x08, kPrivate = 0x10;

int Pick(std::mt19937& random, int below) {
    return static_cast<int>(random() % static_cast<std::uint32_t>(below));
}

} // namespace

Population::Population(int count, std::uint32_t seed) : m_random(seed) {
    std::set<std::string> taken;
    for (int i = 0; i < count; ++i) {
        std::string name = MakeName(i);
        while (!taken.insert(name).second)
            name += std::to_string(Pick(m_random, 10));
        Performer performer;
        performer.name = name;
        performer.state = Pick(m_random, 10) < 6 ? RandomOnlineState() : State::Offline;
        performer.viewers = Pick(m_random, 400);
        m_performers.push_back(performer);
    }
}

std::string Population::MakeName(int index) {
    static const char* const syllables[] = {"ka", "mi", "ro", "lu", "sa", "ne", "to",  "vi",
                                            "el", "an", "yu", "ri", "zo", "pe", "dai", "sha"};
    const int syllableCount = 2 + Pick(m_random, 2);
    std::string name;
    for (int s = 0; s < syllableCount; ++s)
        name += syllables[Pick(m_random, 16)];
    switch (index % 6) {
    case 0: // Lowercase only.
        break;
    case 1:
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        break;
    case 2:
        name += std::to_string(Pick(m_random, 100));
        break;
    case 3:
        name += "_" + std::string(syllables[Pick(m_random, 16)]);
        break;
    case 4:
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        name += "_" + std::to_string(Pick(m_random, 10)) + "X";
        break;
    default:
        name = "_" + name + std::to_string(index);
        break;
    }
    return name;
}

Population::State Population::RandomOnlineState() {
    static const State states[] = {State::Online, State::Free,   State::Free,
                                   State::Busy,   State::Public, State::Private};
    return states[Pick(m_random, 6)];
}

std::optional<Population::State> Population::ParseState(const std::string& word) {
    static const std::pair<const char*, State> states[] = {
        {"offline", State::Offline}, {"online", State::Online}, {"free", State::Free},
        {"busy", State::Busy},       {"public", State::Public}, {"private", State::Private},
    };
    for (const auto& state : states)
        if (word == state.first)
            return state.second;
    return std::nullopt;
}

std::vector<std::string> Population::Words(State state) {
    switch (state) {
    case State::Offline:
        return {};
    case State::Online:
        return {"online"};
    case State::Free:
        return {"online", "free"};
    case State::Busy:
        return {"online", "busy"};
    case State::Public:
        return {"online", "busy", "public"};
    case State::Private:
        // "busy" after "private" must not turn the show public again.
        return {"online", "private", "busy"};
    }
    return {};
}

std::uint32_t Population::StatusOf(const std::vector<std::string>& words) {
    std::uint32_t flags = 0;
    for (const auto& word : words) {
        if (word == "online") {
            flags |= kOnline;
        } else if (word == "free") {
            flags = (flags & ~(kBusy | kPublic | kPrivate)) | kOnline | kFree;
        } else if (word == "busy") {
            flags = (flags & ~kFree) | kOnline | kBusy;
            if (!(flags & kPrivate))
                flags |= kPublic;
        } else if (word == "public") {
            flags = (flags & ~(kFree | kPrivate)) | kOnline | kBusy | kPublic;
        } else if (word == "private") {
            flags = (flags & ~(kFree | kPublic)) | kOnline | kBusy | kPrivate;
        }
    }
    return flags;
}

void Population::Step() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_performers.empty())
        return;
    const int changes = std::max(1, static_cast<int>(m_performers.size()) / 10);
    for (int i = 0; i < changes; ++i) {
        Performer& performer = m_performers[Pick(m_random, static_cast<int>(m_performers.size()))];
        if (performer.state == State::Offline)
            performer.state = RandomOnlineState();
        else if (Pick(m_random, 4) == 0)
            performer.state = State::Offline;
        else
            performer.state = RandomOnlineState();
        performer.viewers = Pick(m_random, 400);
    }
}

void Population::Set(const std::string& name, State state) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& performer : m_performers)
        if (performer.name == name) {
            performer.state = state;
            return;
        }
    Performer performer;
    performer.name = name;
    performer.state = state;
    m_performers.push_back(performer);
}

bool Population::Knows(const std::string& name) const {
    return StateOf(name).has_value();
}

std::optional<Population::State> Population::StateOf(const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& performer : m_performers)
        if (performer.name == name)
            return performer.state;
    return std::nullopt;
}

std::string Population::Script() const {
    std::string out = "// Performers online now; refreshed every few seconds.\n"
                      "function PerformerSet(kind) {\n"
                      "    this.kind = kind;\n"
                      "    this.items = [];\n"
                      "}\n"
                      "PerformerSet.prototype.add = function (performer) {\n"
                      "    this.items.push(performer);\n"
                      "};\n"
                      "function Performer(name) {\n"
                      "    this.name = name;\n"
                      "    this.audience = 0;\n"
                      "}\n"
                      "var online_performers = new PerformerSet('online');\n"
                      "var free_performers = new PerformerSet('free');\n"
                      "var busy_performers = new PerformerSet('busy');\n"
                      "var public_performers = new PerformerSet('public');\n"
                      "var private_performers = new PerformerSet('private');\n"
                      "var new_performers = new PerformerSet('new');\n"
                      "\n";
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& performer : m_performers) {
        if (performer.state == State::Offline)
            continue;
        const std::string& name = performer.name;
        out += "var " + name + " = new Performer('" + name + "');\n";
        out += name + ".viewers = " + std::to_string(performer.viewers) + ";\n";
        for (const auto& word : Words(performer.state))
            out += word + "_performers.add(" + name + ");\n";
        // A category the reader does not know, for the few who are barely watched.
        if (performer.viewers < 30)
            out += "new_performers.add(" + name + ");\n";
    }
    out += "// end of list\n";
    return out;
}

std::string Population::Listing() const {
    std::string out;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& performer : m_performers) {
        if (performer.state == State::Offline)
            continue;
        char status[16];
        std::snprintf(status, sizeof status, "0x%02x", StatusOf(Words(performer.state)));
        out += performer.name + " " + status + "\n";
    }
    return out;
}
