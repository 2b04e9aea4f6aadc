#include "ui/trees/RowOrder.h"

wxTreeItemId RowOrder::PreviousOf(const wxTreeItemId& parent, const wxString& name) const {
    auto after = m_rows.upper_bound(Key(parent.GetID(), name.Lower()));
    if (after == m_rows.begin())
        return wxTreeItemId();
    --after;
    if (after->first.first != parent.GetID())
        return wxTreeItemId();
    return wxTreeItemId(after->second);
}

void RowOrder::Add(const wxTreeItemId& parent, const wxString& name, const wxTreeItemId& item) {
    Remove(item);
    const auto place = m_rows.emplace_hint(m_rows.upper_bound(Key(parent.GetID(), name.Lower())),
                                           Key(parent.GetID(), name.Lower()), item.GetID());
    m_places.emplace(item.GetID(), place);
}

void RowOrder::Remove(const wxTreeItemId& item) {
    const auto place = m_places.find(item.GetID());
    if (place == m_places.end())
        return;
    m_rows.erase(place->second);
    m_places.erase(place);
}

void RowOrder::Clear() {
    m_rows.clear();
    m_places.clear();
}
