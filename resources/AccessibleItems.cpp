#include "resources/AccessibleItems.h"

#include <wx/module.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <atk/atk.h>
#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>

#include <string>

namespace {

const char* const OBJECT_KEY = "roduviriz-accessible-items";

// The control's object: the toolkit's own kind for a widget (its states, place and parent come
// from the widget), with the items for children and their selection.
struct ItemsObject {
    GtkWidgetAccessible parent;
    AccessibleItems* owner;
};

// An item: its answers come from the owner for as long as there is one.
struct ItemObject {
    AtkObject parent;
    AccessibleItems* owner;
    AccessibleItems::Key key;
};

// GLib never forgets a type: a plug-in loaded again in the same process finds its old names
// taken (with the old code's functions behind them) and registers under new ones.
GType RegisterType(GType parent, const char* base, GClassInitFunc classInit, guint instanceSize) {
    GTypeQuery query;
    g_type_query(parent, &query);
    std::string name = base;
    for (int n = 2; g_type_from_name(name.c_str()); ++n)
        name = base + std::to_string(n);
    const GTypeInfo info = {
        static_cast<guint16>(query.class_size), nullptr, nullptr, classInit, nullptr, nullptr,
        static_cast<guint16>(instanceSize),     0,       nullptr, nullptr};
    return g_type_register_static(parent, name.c_str(), &info, GTypeFlags(0));
}

GType ItemsType();
GType ItemType();

AccessibleItems* OwnerOf(AtkObject* object, AccessibleItems::Key* key) {
    if (G_TYPE_CHECK_INSTANCE_TYPE(object, ItemsType())) {
        *key = AccessibleItems::ROOT;
        return reinterpret_cast<ItemsObject*>(object)->owner;
    }
    auto* item = reinterpret_cast<ItemObject*>(object);
    *key = item->key;
    return item->owner;
}

gint GetNChildren(AtkObject* object) {
    AccessibleItems::Key key;
    AccessibleItems* owner = OwnerOf(object, &key);
    return owner ? owner->GetChildCount(key) : 0;
}

AtkObject* RefChild(AtkObject* object, gint index) {
    AccessibleItems::Key key;
    AccessibleItems* owner = OwnerOf(object, &key);
    if (!owner || index < 0 || index >= owner->GetChildCount(key))
        return nullptr;
    AtkObject* child = owner->GetObject(owner->GetChild(key, index));
    return child ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}

AtkObject* RefSelection(AtkSelection* selection, gint index) {
    AccessibleItems::Key key;
    AccessibleItems* owner = OwnerOf(ATK_OBJECT(selection), &key);
    if (!owner || index < 0)
        return nullptr;
    const std::vector<AccessibleItems::Key> selected = owner->GetSelection();
    if (static_cast<size_t>(index) >= selected.size())
        return nullptr;
    AtkObject* child = owner->GetObject(selected[static_cast<size_t>(index)]);
    return child ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}

gint GetSelectionCount(AtkSelection* selection) {
    AccessibleItems::Key key;
    AccessibleItems* owner = OwnerOf(ATK_OBJECT(selection), &key);
    return owner ? static_cast<gint>(owner->GetSelection().size()) : 0;
}

gboolean IsChildSelected(AtkSelection* selection, gint index) {
    AccessibleItems::Key key;
    AccessibleItems* owner = OwnerOf(ATK_OBJECT(selection), &key);
    if (!owner || index < 0 || index >= owner->GetChildCount(key))
        return FALSE;
    return (owner->GetStates(owner->GetChild(key, index)) & AccessibleItems::STATE_SELECTED) != 0;
}

gboolean AddSelection(AtkSelection* selection, gint index) {
    AccessibleItems::Key key;
    AccessibleItems* owner = OwnerOf(ATK_OBJECT(selection), &key);
    if (!owner || index < 0 || index >= owner->GetChildCount(key))
        return FALSE;
    owner->Select(owner->GetChild(key, index));
    return TRUE;
}

void InitSelection(gpointer iface, gpointer) {
    auto* selection = static_cast<AtkSelectionIface*>(iface);
    selection->add_selection = AddSelection;
    selection->ref_selection = RefSelection;
    selection->get_selection_count = GetSelectionCount;
    selection->is_child_selected = IsChildSelected;
}

void InitItemsClass(gpointer klass, gpointer) {
    auto* object = ATK_OBJECT_CLASS(klass);
    object->get_n_children = GetNChildren;
    object->ref_child = RefChild;
}

GType ItemsType() {
    static GType type = 0;
    if (!type) {
        type = RegisterType(GTK_TYPE_WIDGET_ACCESSIBLE, "RodItemsAccessible", InitItemsClass,
                            sizeof(ItemsObject));
        const GInterfaceInfo selection = {InitSelection, nullptr, nullptr};
        g_type_add_interface_static(type, ATK_TYPE_SELECTION, &selection);
    }
    return type;
}

const gchar* GetItemName(AtkObject* object) {
    auto* item = reinterpret_cast<ItemObject*>(object);
    if (!item->owner)
        return object->name;
    // The object keeps the text it answers; AtkObject frees it with the object.
    g_free(object->name);
    object->name = g_strdup(item->owner->GetName(item->key).utf8_str());
    return object->name;
}

AtkObject* GetItemParent(AtkObject* object) {
    auto* item = reinterpret_cast<ItemObject*>(object);
    return item->owner ? item->owner->GetObject(item->owner->GetParent(item->key)) : nullptr;
}

gint GetItemIndexInParent(AtkObject* object) {
    auto* item = reinterpret_cast<ItemObject*>(object);
    return item->owner ? item->owner->GetIndexInParent(item->key) : -1;
}

AtkStateSet* RefItemStateSet(AtkObject* object) {
    auto* item = reinterpret_cast<ItemObject*>(object);
    AtkStateSet* set = atk_state_set_new();
    if (!item->owner) {
        atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
        return set;
    }
    const int states = item->owner->GetStates(item->key);
    wxWindow* control = item->owner->GetControl();
    for (AtkStateType state : {ATK_STATE_ENABLED, ATK_STATE_SENSITIVE, ATK_STATE_VISIBLE,
                               ATK_STATE_SELECTABLE, ATK_STATE_FOCUSABLE})
        atk_state_set_add_state(set, state);
    const wxRect rect = item->owner->GetScreenRect(item->key);
    if (control->IsShownOnScreen() && rect.Intersects(control->GetScreenRect()))
        atk_state_set_add_state(set, ATK_STATE_SHOWING);
    if (states & AccessibleItems::STATE_SELECTED)
        atk_state_set_add_state(set, ATK_STATE_SELECTED);
    if ((states & AccessibleItems::STATE_CURRENT) && wxWindow::FindFocus() == control)
        atk_state_set_add_state(set, ATK_STATE_FOCUSED);
    if (states & AccessibleItems::STATE_EXPANDABLE)
        atk_state_set_add_state(set, ATK_STATE_EXPANDABLE);
    if (states & AccessibleItems::STATE_EXPANDED)
        atk_state_set_add_state(set, ATK_STATE_EXPANDED);
    return set;
}

void GetItemExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height,
                    AtkCoordType coords) {
    auto* item = reinterpret_cast<ItemObject*>(component);
    wxRect rect;
    if (item->owner) {
        rect = item->owner->GetScreenRect(item->key);
        const wxWindow* top = wxGetTopLevelParent(item->owner->GetControl());
        if (coords == ATK_XY_WINDOW && top)
            rect.SetPosition(rect.GetPosition() - top->GetScreenPosition());
    }
    *x = rect.x;
    *y = rect.y;
    *width = rect.width;
    *height = rect.height;
}

gboolean GrabItemFocus(AtkComponent* component) {
    auto* item = reinterpret_cast<ItemObject*>(component);
    if (!item->owner)
        return FALSE;
    item->owner->Select(item->key);
    item->owner->GetControl()->SetFocus();
    return TRUE;
}

void InitComponent(gpointer iface, gpointer) {
    auto* component = static_cast<AtkComponentIface*>(iface);
    component->get_extents = GetItemExtents;
    component->grab_focus = GrabItemFocus;
}

void InitItemClass(gpointer klass, gpointer) {
    auto* object = ATK_OBJECT_CLASS(klass);
    object->get_name = GetItemName;
    object->get_parent = GetItemParent;
    object->get_index_in_parent = GetItemIndexInParent;
    object->get_n_children = GetNChildren;
    object->ref_child = RefChild;
    object->ref_state_set = RefItemStateSet;
}

GType ItemType() {
    static GType type = 0;
    if (!type) {
        type =
            RegisterType(ATK_TYPE_OBJECT, "RodItemAccessible", InitItemClass, sizeof(ItemObject));
        const GInterfaceInfo component = {InitComponent, nullptr, nullptr};
        g_type_add_interface_static(type, ATK_TYPE_COMPONENT, &component);
    }
    return type;
}

// The widget classes whose get_accessible answers the object of AccessibleItems first, with
// the function that answers otherwise. Put back when the plug-in goes: the classes belong to the
// toolkit, which stays loaded.
using GetAccessibleFunction = AtkObject* (*)(GtkWidget*);
std::map<GtkWidgetClass*, GetAccessibleFunction> g_patched;

AtkObject* GetAccessible(GtkWidget* widget) {
    if (auto* object = static_cast<AtkObject*>(g_object_get_data(G_OBJECT(widget), OBJECT_KEY)))
        return object;
    // A class made from a patched one after the patch inherits the patched function.
    for (GType type = G_OBJECT_TYPE(widget); type; type = g_type_parent(type)) {
        auto found = g_patched.find(static_cast<GtkWidgetClass*>(g_type_class_peek(type)));
        if (found != g_patched.end())
            return found->second(widget);
    }
    return nullptr;
}

void Patch(GtkWidget* widget) {
    auto* klass = GTK_WIDGET_GET_CLASS(widget);
    if (klass->get_accessible != GetAccessible) {
        g_patched[klass] = klass->get_accessible;
        klass->get_accessible = GetAccessible;
    }
}

class AccessibleItemsModule : public wxModule {
public:
    bool OnInit() override { return true; }
    void OnExit() override {
        for (const auto& patched : g_patched)
            patched.first->get_accessible = patched.second;
        g_patched.clear();
    }

private:
    wxDECLARE_DYNAMIC_CLASS(AccessibleItemsModule);
};

wxIMPLEMENT_DYNAMIC_CLASS(AccessibleItemsModule, wxModule);

AtkRole ControlRole(AccessibleItems::Kind kind) {
    switch (kind) {
    case AccessibleItems::KIND_TREE:
        return ATK_ROLE_TREE;
    case AccessibleItems::KIND_LIST:
        return ATK_ROLE_LIST;
    case AccessibleItems::KIND_TABLE:
        break;
    }
    return ATK_ROLE_TABLE;
}

AtkRole ItemRole(AccessibleItems::Kind kind) {
    switch (kind) {
    case AccessibleItems::KIND_TREE:
        return ATK_ROLE_TREE_ITEM;
    case AccessibleItems::KIND_LIST:
        return ATK_ROLE_LIST_ITEM;
    case AccessibleItems::KIND_TABLE:
        break;
    }
    return ATK_ROLE_TABLE_CELL;
}

} // namespace

AccessibleItems::AccessibleItems(wxWindow* control, wxWindow* canvas, Kind kind)
    : m_control(control), m_canvas(canvas), m_kind(kind) {
    GtkWidget* widget = m_canvas->m_wxwindow;
    Patch(widget);
    m_object = ATK_OBJECT(g_object_new(ItemsType(), "widget", widget, nullptr));
    reinterpret_cast<ItemsObject*>(m_object)->owner = this;
    atk_object_initialize(m_object, widget);
    m_object->role = ControlRole(kind);
    g_object_set_data_full(G_OBJECT(widget), OBJECT_KEY, m_object, g_object_unref);
}

AccessibleItems::~AccessibleItems() {
    for (const auto& item : m_items) {
        reinterpret_cast<ItemObject*>(item.second)->owner = nullptr;
        atk_object_notify_state_change(item.second, ATK_STATE_DEFUNCT, TRUE);
        g_object_unref(item.second);
    }
    reinterpret_cast<ItemsObject*>(m_object)->owner = nullptr;
    // The widget answers with its usual object from now on; this one reports itself defunct.
    GtkWidget* widget = m_canvas->m_wxwindow;
    gtk_accessible_set_widget(GTK_ACCESSIBLE(m_object), nullptr);
    g_object_set_data(G_OBJECT(widget), OBJECT_KEY, nullptr);
}

_AtkObject* AccessibleItems::GetObject(Key item) {
    if (item == ROOT)
        return m_object;
    auto found = m_items.find(item);
    if (found != m_items.end())
        return found->second;
    auto* object = static_cast<ItemObject*>(g_object_new(ItemType(), nullptr));
    object->owner = this;
    object->key = item;
    ATK_OBJECT(object)->role = ItemRole(m_kind);
    ATK_OBJECT(object)->layer = ATK_LAYER_WIDGET;
    m_items[item] = ATK_OBJECT(object);
    return ATK_OBJECT(object);
}

void AccessibleItems::ItemAdded(Key item) {
    const Key parent = GetParent(item);
    if (parent != ROOT && !m_items.count(parent))
        return;
    g_signal_emit_by_name(GetObject(parent), "children-changed::add", GetIndexInParent(item),
                          GetObject(item));
}

void AccessibleItems::ItemRemoved(Key item) {
    auto found = m_items.find(item);
    if (found == m_items.end())
        return;
    g_signal_emit_by_name(m_object, "children-changed::remove", -1, found->second);
    if (m_current == item)
        m_current = ROOT;
    Drop(item);
}

void AccessibleItems::ItemsReset() {
    while (!m_items.empty())
        Drop(m_items.begin()->first);
    m_current = ROOT;
    g_signal_emit_by_name(m_object, "visible-data-changed");
}

void AccessibleItems::NameChanged(Key item) {
    if (m_items.count(item))
        g_object_notify(G_OBJECT(m_items[item]), "accessible-name");
}

void AccessibleItems::StateChanged(Key item, State state, bool on) {
    auto found = m_items.find(item);
    if (found == m_items.end())
        return;
    switch (state) {
    case STATE_SELECTED:
        atk_object_notify_state_change(found->second, ATK_STATE_SELECTED, on);
        g_signal_emit_by_name(m_object, "selection-changed");
        break;
    case STATE_EXPANDABLE:
        atk_object_notify_state_change(found->second, ATK_STATE_EXPANDABLE, on);
        break;
    case STATE_EXPANDED:
        atk_object_notify_state_change(found->second, ATK_STATE_EXPANDED, on);
        break;
    case STATE_CURRENT:
        atk_object_notify_state_change(found->second, ATK_STATE_FOCUSED, on);
        break;
    }
}

void AccessibleItems::CurrentChanged(Key item) {
    const Key old = m_current;
    m_current = item;
    if (old == item)
        return;
    const bool focused = wxWindow::FindFocus() == m_control;
    if (old != ROOT && focused)
        StateChanged(old, STATE_CURRENT, false);
    if (item == ROOT || !focused)
        return;
    AtkObject* object = GetObject(item);
    g_signal_emit_by_name(m_object, "active-descendant-changed", object);
    atk_object_notify_state_change(object, ATK_STATE_FOCUSED, TRUE);
}

void AccessibleItems::Drop(Key item) {
    auto found = m_items.find(item);
    if (found == m_items.end())
        return;
    AtkObject* object = found->second;
    m_items.erase(found);
    reinterpret_cast<ItemObject*>(object)->owner = nullptr;
    atk_object_notify_state_change(object, ATK_STATE_DEFUNCT, TRUE);
    g_object_unref(object);
}
