#pragma once

#include "resources/AccessibleItems.h"

class WeekGridPanel;

// The cells of a week grid as a screen reader hears them: a table of weekdays by hours, each
// cell named with what its tooltip says.
class WeekGridAccessible : public AccessibleItems {
public:
    explicit WeekGridAccessible(WeekGridPanel* panel);

    void GridChanged() { ItemsReset(); }

    int GetChildCount(Key parent) const override;
    Key GetChild(Key parent, int index) const override;
    Key GetParent(Key item) const override;
    int GetIndexInParent(Key item) const override;
    wxString GetName(Key item) const override;
    int GetStates(Key item) const override;
    wxRect GetScreenRect(Key item) const override;
    std::vector<Key> GetSelection() const override;
    void Select(Key item) override;

private:
    // Cells row by row, each row a weekday.
    static int IndexOf(Key item) { return static_cast<int>(item) - 1; }

    WeekGridPanel* m_panel;
};
