#include "ui/announce/AnnouncementGate.h"

#include "ui/announce/MutedPerformers.h"

AnnouncementGate::Verdict AnnouncementGate::Ask(const wxString& name) const {
    if (MutedPerformers::IsMuted(name))
        return MUTED;
    if (m_paused)
        return PAUSED;
    if (m_held)
        return HELD;
    return ANNOUNCE;
}
