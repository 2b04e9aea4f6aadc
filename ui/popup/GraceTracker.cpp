#include "ui/popup/GraceTracker.h"

void GraceTracker::Left(const wxString& name, unsigned long status, unsigned long listNumber) {
    Forget(listNumber);
    m_departures[name] = {listNumber, status};
}

bool GraceTracker::CameBack(const wxString& name, unsigned long listNumber, long grace,
                            unsigned long* statusBefore) {
    Forget(listNumber);
    const auto departure = m_departures.find(name);
    if (departure == m_departures.end())
        return false;
    const Departure left = departure->second;
    m_departures.erase(departure);
    // Missing from the list it left in up to the one before its return.
    if (grace <= 0 || listNumber <= left.listNumber ||
        listNumber - left.listNumber > static_cast<unsigned long>(grace))
        return false;
    *statusBefore = left.status;
    return true;
}

// Once per new list: departures older than any grace can be forgotten.
void GraceTracker::Forget(unsigned long listNumber) {
    if (listNumber <= m_newestList)
        return;
    m_newestList = listNumber;
    for (auto it = m_departures.begin(); it != m_departures.end();)
        if (listNumber - it->second.listNumber > KEPT_LISTS)
            it = m_departures.erase(it);
        else
            ++it;
}
