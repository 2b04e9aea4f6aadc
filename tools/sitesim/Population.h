#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

// The site's performers and their show states, and the script that publishes them.
class Population {
public:
    enum class State { Offline, Online, Free, Busy, Public, Private };

    Population(int count, std::uint32_t seed);

    static std::optional<State> ParseState(const std::string& word);
    // The category words the script gives a performer in this state, in order.
    static std::vector<std::string> Words(State state);
    // The flag word a reader of the script builds from these category words.
    static std::uint32_t StatusOf(const std::vector<std::string>& words);

    // One simulated moment: some performers come online, leave or change their show.
    void Step();
    // Puts one performer into a state; an unknown name joins the population.
    void Set(const std::string& name, State state);
    bool Knows(const std::string& name) const;
    std::optional<State> StateOf(const std::string& name) const;

    // The performer script, with the online performers in a stable order.
    std::string Script() const;
    // "name 0x0d" lines for the performers the script lists, in script order.
    std::string Listing() const;

private:
    struct Performer {
        std::string name;
        State state = State::Offline;
        int viewers = 0;
    };

    std::string MakeName(int index);
    State RandomOnlineState();

    mutable std::mutex m_mutex;
    std::mt19937 m_random;
    std::vector<Performer> m_performers;
};
