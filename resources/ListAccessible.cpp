#include "resources/ListAccessible.h"

#include <wx/listctrl.h>

// The toolkit's list draws its rows in its first child window, the header in the second.
ListAccessible::ListAccessible(wxListCtrl* list)
    : AccessibleItems(list, list->GetChildren().GetFirst()->GetData(), KIND_LIST), m_list(list) {
    for (const auto& type :
         {wxEVT_LIST_INSERT_ITEM, wxEVT_LIST_DELETE_ITEM, wxEVT_LIST_DELETE_ALL_ITEMS})
        m_list->Bind(type, &ListAccessible::OnRowsChanged, this);
    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, &ListAccessible::OnSelected, this);
    m_list->Bind(wxEVT_LIST_ITEM_DESELECTED, &ListAccessible::OnDeselected, this);
    m_list->Bind(wxEVT_LIST_ITEM_FOCUSED, &ListAccessible::OnFocused, this);
}

ListAccessible::~ListAccessible() {
    for (const auto& type :
         {wxEVT_LIST_INSERT_ITEM, wxEVT_LIST_DELETE_ITEM, wxEVT_LIST_DELETE_ALL_ITEMS})
        m_list->Unbind(type, &ListAccessible::OnRowsChanged, this);
    m_list->Unbind(wxEVT_LIST_ITEM_SELECTED, &ListAccessible::OnSelected, this);
    m_list->Unbind(wxEVT_LIST_ITEM_DESELECTED, &ListAccessible::OnDeselected, this);
    m_list->Unbind(wxEVT_LIST_ITEM_FOCUSED, &ListAccessible::OnFocused, this);
}

int ListAccessible::GetChildCount(Key parent) const {
    return parent == ROOT ? m_list->GetItemCount() : 0;
}

AccessibleItems::Key ListAccessible::GetChild(Key, int index) const {
    return KeyOf(index);
}

AccessibleItems::Key ListAccessible::GetParent(Key) const {
    return ROOT;
}

int ListAccessible::GetIndexInParent(Key item) const {
    return static_cast<int>(RowOf(item));
}

// The columns' texts in their order, the empty ones left out.
wxString ListAccessible::GetName(Key item) const {
    wxString name;
    for (int column = 0; column < m_list->GetColumnCount(); ++column) {
        const wxString text = m_list->GetItemText(RowOf(item), column);
        if (!text.empty())
            name += (name.empty() ? "" : ", ") + text;
    }
    return name;
}

int ListAccessible::GetStates(Key item) const {
    const long state =
        m_list->GetItemState(RowOf(item), wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    return ((state & wxLIST_STATE_SELECTED) ? STATE_SELECTED : 0) |
           ((state & wxLIST_STATE_FOCUSED) ? STATE_CURRENT : 0);
}

wxRect ListAccessible::GetScreenRect(Key item) const {
    wxRect rect;
    if (!m_list->GetItemRect(RowOf(item), rect))
        return wxRect();
    rect.SetPosition(m_list->ClientToScreen(rect.GetPosition()));
    return rect;
}

std::vector<AccessibleItems::Key> ListAccessible::GetSelection() const {
    std::vector<Key> keys;
    for (long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
         row = m_list->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        keys.push_back(KeyOf(row));
    return keys;
}

void ListAccessible::Select(Key item) {
    for (Key selected : GetSelection())
        m_list->SetItemState(RowOf(selected), 0, wxLIST_STATE_SELECTED);
    const long both = wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED;
    m_list->SetItemState(RowOf(item), both, both);
    m_list->EnsureVisible(RowOf(item));
}

void ListAccessible::OnRowsChanged(wxListEvent& event) {
    event.Skip();
    ItemsReset();
}

void ListAccessible::OnSelected(wxListEvent& event) {
    event.Skip();
    StateChanged(KeyOf(event.GetIndex()), STATE_SELECTED, true);
}

void ListAccessible::OnDeselected(wxListEvent& event) {
    event.Skip();
    StateChanged(KeyOf(event.GetIndex()), STATE_SELECTED, false);
}

void ListAccessible::OnFocused(wxListEvent& event) {
    event.Skip();
    if (event.GetIndex() >= 0)
        CurrentChanged(KeyOf(event.GetIndex()));
}
