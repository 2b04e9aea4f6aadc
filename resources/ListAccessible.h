#pragma once

#include "resources/AccessibleItems.h"

class wxListCtrl;
class wxListEvent;

// The rows of a list as a screen reader hears them: each with its columns' texts, selected,
// and the row that has the keyboard announced as it moves. Rows named by their place: any
// insertion or removal makes every row new. A virtual list tells of its new rows itself.
class ListAccessible : public AccessibleItems {
public:
    explicit ListAccessible(wxListCtrl* list);
    ~ListAccessible() override;

    void RowsChanged() { ItemsReset(); }

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
    static long RowOf(Key item) { return static_cast<long>(item) - 1; }
    static Key KeyOf(long row) { return static_cast<Key>(row + 1); }

    void OnRowsChanged(wxListEvent& event);
    void OnSelected(wxListEvent& event);
    void OnDeselected(wxListEvent& event);
    void OnFocused(wxListEvent& event);

    wxListCtrl* m_list;
};
