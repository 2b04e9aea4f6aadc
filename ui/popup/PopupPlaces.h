#pragma once

#include <wx/gdicmn.h>

#include <functional>

// The places for pop-ups in the screen's work area: one above the other from its bottom right
// corner, as many as fit. While a summary is shown it keeps the top place for itself.
class PopupPlaces {
public:
    // Outer size of every pop-up and summary.
    static const wxSize POPUP_SIZE;

    // Gives the screen's work area; the default is wxGetClientDisplayRect. A null function
    // restores the default (for tests).
    using WorkAreaProvider = std::function<wxRect()>;
    static void SetWorkAreaProvider(const WorkAreaProvider& provider);
    static wxRect GetWorkArea();

    // Places one above the other in the work area (at least one).
    static int GetCount();
    // Places that pop-ups may take: all but the top one while it is reserved.
    static int GetFreeForPopups();
    // Top left corner of a place, 0 being the lowest; never above the work area.
    static wxPoint GetPosition(int place);

    static void SetTopReserved(bool reserved) { ms_topReserved = reserved; }
    static bool IsTopReserved() { return ms_topReserved; }

private:
    static bool ms_topReserved;
};
