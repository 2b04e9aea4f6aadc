#include "ui/popup/PopupPlaces.h"

#include <wx/display.h>

#include <algorithm>

namespace {
PopupPlaces::WorkAreaProvider g_workAreaProvider;
}

const wxSize PopupPlaces::POPUP_SIZE(150, 150);
bool PopupPlaces::ms_topReserved = false;

void PopupPlaces::SetWorkAreaProvider(const WorkAreaProvider& provider) {
    g_workAreaProvider = provider;
}

wxRect PopupPlaces::GetWorkArea() {
    return g_workAreaProvider ? g_workAreaProvider() : wxGetClientDisplayRect();
}

int PopupPlaces::GetCount() {
    return std::max(1, GetWorkArea().height / POPUP_SIZE.y);
}

int PopupPlaces::GetFreeForPopups() {
    return GetCount() - (ms_topReserved ? 1 : 0);
}

// A work area lower than a pop-up still shows one, from the area's top.
wxPoint PopupPlaces::GetPosition(int place) {
    const wxRect area = GetWorkArea();
    return wxPoint(area.x + area.width - POPUP_SIZE.x,
                   std::max(area.y, area.y + area.height - (place + 1) * POPUP_SIZE.y));
}
