#pragma once

#include <wx/string.h>

#include <map>

// Remembers in which of the refresh thread's lists each performer went missing, so that one
// who comes back after missing only a few lists is not announced as new: sites drop people
// for a refresh now and then.
class GraceTracker {
public:
    // Departures are kept this many lists at most (the largest grace there is).
    static constexpr unsigned long KEPT_LISTS = 10;

    // The performer is missing from list listNumber on; it had status then.
    void Left(const wxString& name, unsigned long status, unsigned long listNumber);
    // The performer is back in list listNumber: the number of lists it was missing from (0
    // when it was not seen leaving in the last KEPT_LISTS lists), and in *statusBefore its
    // status when it left. The departure is forgotten.
    unsigned long CameBack(const wxString& name, unsigned long listNumber,
                           unsigned long* statusBefore);

    size_t GetKeptCount() const { return m_departures.size(); }

private:
    void Forget(unsigned long listNumber);

    struct Departure {
        unsigned long listNumber;
        unsigned long status;
    };
    std::map<wxString, Departure> m_departures;
    unsigned long m_newestList = 0;
};
