#include "ui/popup/PopupPlaces.h"

#include <wx/display.h>
#include <wx/time.h>

#include <algorithm>

namespace {

PopupPlaces::WorkAreaProvider g_workAreaProvider;

// The display's work area is a round trip to the X server, and a flood asks for it once per
// performer: it is kept for a moment (a panel that moves is seen half a second later).
const wxLongLong KEEP_WORK_AREA_MS = 500;
wxRect g_workArea;
wxLongLong g_workAreaAsked = -1;

} // namespace

const wxSize PopupPlaces::POPUP_SIZE(150, 150);
bool PopupPlaces::ms_topReserved = false;
std::vector<wxPoint> PopupPlaces::ms_held;

void PopupPlaces::SetWorkAreaProvider(const WorkAreaProvider& provider) {
    g_workAreaProvider = provider;
}

wxRect PopupPlaces::GetWorkArea() {
    if (g_workAreaProvider)
        return g_workAreaProvider();
    const wxLongLong now = wxGetUTCTimeMillis();
    if (g_workAreaAsked < 0 || now - g_workAreaAsked > KEEP_WORK_AREA_MS || now < g_workAreaAsked) {
        g_workArea = wxGetClientDisplayRect();
        g_workAreaAsked = now;
    }
    return g_workArea;
}

int PopupPlaces::GetCount() {
    return std::max(1, GetWorkArea().height / POPUP_SIZE.y);
}

// A work area lower than a pop-up still shows one, from the area's top.
wxPoint PopupPlaces::GetPosition(int place) {
    const wxRect area = GetWorkArea();
    return wxPoint(area.x + area.width - POPUP_SIZE.x,
                   std::max(area.y, area.y + area.height - (place + 1) * POPUP_SIZE.y));
}

// Places held in an older work area need not line up with today's places: they are compared
// by what they cover.
bool PopupPlaces::IsFree(const wxPoint& where) {
    const wxRect wanted(where, POPUP_SIZE);
    return std::none_of(ms_held.begin(), ms_held.end(), [&wanted](const wxPoint& held) {
        return wxRect(held, POPUP_SIZE).Intersects(wanted);
    });
}

bool PopupPlaces::TakeLowestFree(wxPoint* where) {
    const int count = GetCount() - (ms_topReserved ? 1 : 0);
    for (int place = 0; place < count; ++place) {
        const wxPoint corner = GetPosition(place);
        if (IsFree(corner)) {
            Hold(corner);
            *where = corner;
            return true;
        }
    }
    return false;
}

void PopupPlaces::Hold(const wxPoint& where) {
    ms_held.push_back(where);
}

void PopupPlaces::Release(const wxPoint& where) {
    const auto held = std::find(ms_held.begin(), ms_held.end(), where);
    if (held != ms_held.end())
        ms_held.erase(held);
}

bool PopupPlaces::IsInWorkArea(const wxPoint& where) {
    const wxRect area = GetWorkArea();
    // An area lower than a pop-up holds it from its top.
    if (area.height < POPUP_SIZE.y)
        return where == GetPosition(0);
    return area.Contains(wxRect(where, POPUP_SIZE));
}
