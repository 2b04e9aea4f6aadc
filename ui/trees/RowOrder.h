#pragma once

#include <wx/string.h>
#include <wx/treebase.h>

#include <map>
#include <unordered_map>
#include <utility>

// The rows of a tree sorted by name, case-insensitively, under each parent: where a new row
// goes without comparing it with every sibling. Rows of names equal but for case keep their
// order of arrival.
class RowOrder {
public:
    // The row under parent after which a row of that name belongs; invalid when it comes first.
    wxTreeItemId PreviousOf(const wxTreeItemId& parent, const wxString& name) const;
    void Add(const wxTreeItemId& parent, const wxString& name, const wxTreeItemId& item);
    // Unknown rows are ignored.
    void Remove(const wxTreeItemId& item);
    void Clear();
    bool IsEmpty() const { return m_rows.empty(); }

private:
    using Key = std::pair<void*, wxString>;
    using Rows = std::multimap<Key, void*>;

    Rows m_rows;
    std::unordered_map<void*, Rows::iterator> m_places;
};
