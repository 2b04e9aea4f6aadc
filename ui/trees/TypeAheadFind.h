#pragma once

#include <wx/string.h>

#include <chrono>

// The letters typed into a tree to find a row by its name's beginning, as the toolkit's own
// views do: each letter lengthens the prefix, and a pause of a second starts a new one.
class TypeAheadFind {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds RESET_AFTER{1000};

    // Adds the letter typed at that time; answers the prefix to look for now.
    const wxString& Type(wxUniChar letter, Clock::time_point now = Clock::now());
    // Whether a name begins with the prefix, case-insensitively.
    bool Matches(const wxString& name) const;
    // Whether anything has been typed since the last reset.
    bool IsTyping(Clock::time_point now = Clock::now()) const;

private:
    wxString m_prefix;
    Clock::time_point m_last;
};
