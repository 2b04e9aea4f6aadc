#include "ui/history/WeekGridAccessible.h"

#include "ui/history/WeekGridPanel.h"

WeekGridAccessible::WeekGridAccessible(WeekGridPanel* panel)
    : AccessibleItems(panel, panel, KIND_TABLE), m_panel(panel) {}

int WeekGridAccessible::GetChildCount(Key parent) const {
    return parent == ROOT ? WeekGrid::DAYS * WeekGrid::HOURS : 0;
}

AccessibleItems::Key WeekGridAccessible::GetChild(Key, int index) const {
    return static_cast<Key>(index + 1);
}

AccessibleItems::Key WeekGridAccessible::GetParent(Key) const {
    return ROOT;
}

int WeekGridAccessible::GetIndexInParent(Key item) const {
    return IndexOf(item);
}

wxString WeekGridAccessible::GetName(Key item) const {
    return m_panel->CellText(IndexOf(item) / WeekGrid::HOURS, IndexOf(item) % WeekGrid::HOURS);
}

int WeekGridAccessible::GetStates(Key) const {
    return 0;
}

wxRect WeekGridAccessible::GetScreenRect(Key item) const {
    wxRect rect =
        m_panel->CellRect(IndexOf(item) / WeekGrid::HOURS, IndexOf(item) % WeekGrid::HOURS);
    rect.SetPosition(m_panel->ClientToScreen(rect.GetPosition()));
    return rect;
}

// Cells are read, not chosen.
std::vector<AccessibleItems::Key> WeekGridAccessible::GetSelection() const {
    return {};
}

void WeekGridAccessible::Select(Key) {}
