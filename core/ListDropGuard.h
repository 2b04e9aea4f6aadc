#pragma once

#include <cstddef>

// Holds back a list that falls in one step from MIN_GUARDED performers or more to fewer than
// half of them: a maintenance script or one emptied halfway reads as almost nobody online, and
// taking it would announce everybody again when the real list returns. Such a list is taken
// only when the next one confirms it (falls as far); a list that does not fall ends the hold.
class ListDropGuard {
public:
    static constexpr size_t MIN_GUARDED = 20;

    enum class Verdict {
        TAKE,
        HOLD,    // the first list of a fall: keep the one before
        CONFIRM, // the second list of a fall: take it now
    };

    // fresh: the performers of the list just read; taken: those of the list in effect.
    Verdict Judge(size_t taken, size_t fresh);
    // The site said its list is as it was: a hold ends.
    void Unchanged() { m_holding = false; }

private:
    bool m_holding = false;
};
