#pragma once

#include "resources/AccessibleItems.h"

#include <wx/treebase.h>

class wxTreeCtrl;
class wxTreeEvent;

// The rows of a tree as a screen reader hears them: nested as in the tree, each with its text,
// selected, expandable and expanded, and the row that has the keyboard announced as it moves.
// The tree tells of its insertions and new texts; removals, selection and expansion it reports
// through its events.
class TreeAccessible : public AccessibleItems {
public:
    explicit TreeAccessible(wxTreeCtrl* tree);
    ~TreeAccessible() override;

    void Inserted(const wxTreeItemId& item) { ItemAdded(KeyOf(item)); }
    void TextChanged(const wxTreeItemId& item) { NameChanged(KeyOf(item)); }

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
    static Key KeyOf(const wxTreeItemId& item) { return reinterpret_cast<Key>(item.GetID()); }
    static wxTreeItemId IdOf(Key item) { return wxTreeItemId(reinterpret_cast<void*>(item)); }
    bool RootHidden() const;

    void OnSelectionChanged(wxTreeEvent& event);
    void OnDeleteItem(wxTreeEvent& event);
    void OnExpanded(wxTreeEvent& event);
    void OnCollapsed(wxTreeEvent& event);

    wxTreeCtrl* m_tree;
};
