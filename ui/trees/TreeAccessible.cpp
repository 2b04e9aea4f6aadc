#include "ui/trees/TreeAccessible.h"

#include <wx/treectrl.h>

TreeAccessible::TreeAccessible(wxTreeCtrl* tree)
    : AccessibleItems(tree, tree, KIND_TREE), m_tree(tree) {
    m_tree->Bind(wxEVT_TREE_SEL_CHANGED, &TreeAccessible::OnSelectionChanged, this);
    m_tree->Bind(wxEVT_TREE_DELETE_ITEM, &TreeAccessible::OnDeleteItem, this);
    m_tree->Bind(wxEVT_TREE_ITEM_EXPANDED, &TreeAccessible::OnExpanded, this);
    m_tree->Bind(wxEVT_TREE_ITEM_COLLAPSED, &TreeAccessible::OnCollapsed, this);
}

TreeAccessible::~TreeAccessible() {
    m_tree->Unbind(wxEVT_TREE_SEL_CHANGED, &TreeAccessible::OnSelectionChanged, this);
    m_tree->Unbind(wxEVT_TREE_DELETE_ITEM, &TreeAccessible::OnDeleteItem, this);
    m_tree->Unbind(wxEVT_TREE_ITEM_EXPANDED, &TreeAccessible::OnExpanded, this);
    m_tree->Unbind(wxEVT_TREE_ITEM_COLLAPSED, &TreeAccessible::OnCollapsed, this);
}

// A hidden root is the tree itself: its children are the tree's.
bool TreeAccessible::RootHidden() const {
    return m_tree->HasFlag(wxTR_HIDE_ROOT);
}

int TreeAccessible::GetChildCount(Key parent) const {
    if (parent == ROOT && !RootHidden())
        return m_tree->GetRootItem().IsOk() ? 1 : 0;
    const wxTreeItemId item = parent == ROOT ? m_tree->GetRootItem() : IdOf(parent);
    return item.IsOk() ? static_cast<int>(m_tree->GetChildrenCount(item, false)) : 0;
}

AccessibleItems::Key TreeAccessible::GetChild(Key parent, int index) const {
    if (parent == ROOT && !RootHidden())
        return KeyOf(m_tree->GetRootItem());
    const wxTreeItemId item = parent == ROOT ? m_tree->GetRootItem() : IdOf(parent);
    wxTreeItemIdValue cookie;
    wxTreeItemId child = m_tree->GetFirstChild(item, cookie);
    for (int i = 0; i < index && child.IsOk(); ++i)
        child = m_tree->GetNextChild(item, cookie);
    return KeyOf(child);
}

AccessibleItems::Key TreeAccessible::GetParent(Key item) const {
    const wxTreeItemId parent = m_tree->GetItemParent(IdOf(item));
    if (!parent.IsOk() || (RootHidden() && parent == m_tree->GetRootItem()))
        return ROOT;
    return KeyOf(parent);
}

int TreeAccessible::GetIndexInParent(Key item) const {
    const wxTreeItemId parent = m_tree->GetItemParent(IdOf(item));
    if (!parent.IsOk())
        return 0;
    wxTreeItemIdValue cookie;
    int index = 0;
    for (wxTreeItemId child = m_tree->GetFirstChild(parent, cookie); child.IsOk();
         child = m_tree->GetNextChild(parent, cookie), ++index) {
        if (KeyOf(child) == item)
            return index;
    }
    return -1;
}

wxString TreeAccessible::GetName(Key item) const {
    return m_tree->GetItemText(IdOf(item));
}

int TreeAccessible::GetStates(Key item) const {
    const wxTreeItemId id = IdOf(item);
    int states = 0;
    if (m_tree->IsSelected(id))
        states |= STATE_SELECTED;
    if (m_tree->ItemHasChildren(id))
        states |= STATE_EXPANDABLE;
    if (m_tree->ItemHasChildren(id) && m_tree->IsExpanded(id))
        states |= STATE_EXPANDED;
    if (m_tree->GetFocusedItem() == id)
        states |= STATE_CURRENT;
    return states;
}

wxRect TreeAccessible::GetScreenRect(Key item) const {
    wxRect rect;
    if (!m_tree->GetBoundingRect(IdOf(item), rect))
        return wxRect();
    rect.SetPosition(m_tree->ClientToScreen(rect.GetPosition()));
    return rect;
}

std::vector<AccessibleItems::Key> TreeAccessible::GetSelection() const {
    wxArrayTreeItemIds selected;
    m_tree->GetSelections(selected);
    std::vector<Key> keys;
    for (const wxTreeItemId item : selected)
        keys.push_back(KeyOf(item));
    return keys;
}

void TreeAccessible::Select(Key item) {
    m_tree->SelectItem(IdOf(item));
    m_tree->SetFocusedItem(IdOf(item));
}

void TreeAccessible::OnSelectionChanged(wxTreeEvent& event) {
    event.Skip();
    if (event.GetOldItem().IsOk())
        StateChanged(KeyOf(event.GetOldItem()), STATE_SELECTED, false);
    if (event.GetItem().IsOk()) {
        StateChanged(KeyOf(event.GetItem()), STATE_SELECTED, true);
        CurrentChanged(KeyOf(event.GetItem()));
    }
}

void TreeAccessible::OnDeleteItem(wxTreeEvent& event) {
    event.Skip();
    ItemRemoved(KeyOf(event.GetItem()));
}

void TreeAccessible::OnExpanded(wxTreeEvent& event) {
    event.Skip();
    StateChanged(KeyOf(event.GetItem()), STATE_EXPANDED, true);
}

void TreeAccessible::OnCollapsed(wxTreeEvent& event) {
    event.Skip();
    StateChanged(KeyOf(event.GetItem()), STATE_EXPANDED, false);
}
