#pragma once

#include <wx/string.h>

// The one question asked before anything announces a performer, whatever the style: may she
// be announced now, and if not, why. A muted performer never is; while paused, nothing is;
// while held, the own pop-ups wait (the desktop's service decides for its messages).
class AnnouncementGate {
public:
    enum Verdict { ANNOUNCE, MUTED, PAUSED, HELD };

    void SetPaused(bool paused) { m_paused = paused; }
    bool IsPaused() const { return m_paused; }
    void SetHeld(bool held) { m_held = held; }
    bool IsHeld() const { return m_held; }

    // Muted first: a muted performer stays unannounced when the pause or the hold ends.
    Verdict Ask(const wxString& name) const;

private:
    bool m_paused = false;
    bool m_held = false;
};
