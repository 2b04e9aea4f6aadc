#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <cstdint>
#include <map>
#include <vector>

class wxWindow;
struct _AtkObject;

// What a screen reader hears of a control that draws its items itself (a tree, a list, a
// grid): the control's widget answers the accessibility bus with an object of its own whose
// children are the items, with their names, roles and states, the selection and the item that
// has the keyboard. A derived class answers for its control's items; it tells of changes
// through the protected calls. It lives no longer than its control's widget, and gives the
// widget its usual object back when it goes.
class AccessibleItems {
public:
    // An item as the control names it (a row's pointer, an index plus one); ROOT is the
    // control itself.
    using Key = std::uintptr_t;
    static const Key ROOT = 0;

    enum Kind { KIND_TREE, KIND_LIST, KIND_TABLE };
    enum State {
        STATE_SELECTED = 1,
        STATE_EXPANDABLE = 2,
        STATE_EXPANDED = 4,
        // The item that has the keyboard while the control has it.
        STATE_CURRENT = 8,
    };

    // canvas: the window of control that draws the items (the toolkit names the control as
    // the one with the focus).
    AccessibleItems(wxWindow* control, wxWindow* canvas, Kind kind);
    virtual ~AccessibleItems();
    AccessibleItems(const AccessibleItems&) = delete;
    AccessibleItems& operator=(const AccessibleItems&) = delete;

    virtual int GetChildCount(Key parent) const = 0;
    virtual Key GetChild(Key parent, int index) const = 0;
    virtual Key GetParent(Key item) const = 0;
    virtual int GetIndexInParent(Key item) const = 0;
    virtual wxString GetName(Key item) const = 0;
    virtual int GetStates(Key item) const = 0;
    // Where the item is on the screen; empty while it is not drawn (a collapsed branch).
    virtual wxRect GetScreenRect(Key item) const = 0;
    // Every selected item, in the control's order.
    virtual std::vector<Key> GetSelection() const = 0;
    // Selects the item alone and makes it the current one, as a click would.
    virtual void Select(Key item) = 0;

    // The accessible object of an item (ROOT: of the control), made on first use; null once
    // the control has gone. The caller does not own it.
    _AtkObject* GetObject(Key item);
    wxWindow* GetControl() const { return m_control; }

protected:
    // The item is now a child of its parent.
    void ItemAdded(Key item);
    // The item has left its control (its children before it).
    void ItemRemoved(Key item);
    // Every item may have changed: the objects made so far go.
    void ItemsReset();
    void NameChanged(Key item);
    void StateChanged(Key item, State state, bool on);
    // The current item moved (with the arrows, a click or the program): the screen reader says
    // so, as it does for a move of the focus.
    void CurrentChanged(Key item);

private:
    void Drop(Key item);

    wxWindow* m_control;
    wxWindow* m_canvas;
    Kind m_kind;
    _AtkObject* m_object = nullptr;
    std::map<Key, _AtkObject*> m_items;
    Key m_current = ROOT;
};
