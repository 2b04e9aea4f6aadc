#pragma once

#include <wx/gdicmn.h>

#include <functional>
#include <vector>

// The places for pop-ups in the screen's work area: one above the other from its bottom right
// corner, as many as fit. A shown pop-up holds the place it was put at; a new one takes the
// lowest place that overlaps none held, so that no pop-up ever covers another. While a summary
// is shown (or waits for the top place) the top place is kept for it.
class PopupPlaces {
public:
    // Outer size of every pop-up and summary.
    static const wxSize POPUP_SIZE;
    // How often shown pop-ups check that the work area still holds them.
    static const int CHECK_MS = 1000;

    // Gives the screen's work area; the default is wxGetClientDisplayRect. A null function
    // restores the default (for tests).
    using WorkAreaProvider = std::function<wxRect()>;
    static void SetWorkAreaProvider(const WorkAreaProvider& provider);
    static wxRect GetWorkArea();

    // Places one above the other in the work area (at least one).
    static int GetCount();
    // Top left corner of a place, 0 being the lowest; never above the work area.
    static wxPoint GetPosition(int place);

    // Holds the lowest place free for a pop-up (never the top one while it is kept) and puts
    // its corner in where; false when none is free.
    static bool TakeLowestFree(wxPoint* where);
    // Whether no place held overlaps a pop-up at where.
    static bool IsFree(const wxPoint& where);
    static void Hold(const wxPoint& where);
    static void Release(const wxPoint& where);
    static int GetHeldCount() { return static_cast<int>(ms_held.size()); }
    // Whether a pop-up at where lies wholly in the work area.
    static bool IsInWorkArea(const wxPoint& where);

    static void SetTopReserved(bool reserved) { ms_topReserved = reserved; }
    static bool IsTopReserved() { return ms_topReserved; }

private:
    static bool ms_topReserved;
    // Corners of the places held, in any order.
    static std::vector<wxPoint> ms_held;
};
