#include "ui/popup/GraceTracker.h"

void GraceTracker::Left(const wxString& name, unsigned long status, unsigned long listNumber) {
    Forget(listNumber);
    m_departures[name] = {listNumber, status};
}

unsigned long GraceTracker::CameBack(const wxString& name, unsigned long listNumber,
                                     unsigned long* statusBefore) {
    Forget(listNumber);
    const auto departure = m_departures.find(name);
    if (departure == m_departures.end())
        return 0;
    const Departure left = departure->second;
    m_departures.erase(departure);
    if (listNumber <= left.listNumber)
        return 0;
    *statusBefore = left.status;
    // Missing from the list it left in up to the one before its return.
    return listNumber - left.listNumber;
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
