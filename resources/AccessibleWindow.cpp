#include "resources/AccessibleWindow.h"

#include <wx/window.h>

#include <atk/atk.h>
#include <gtk/gtk.h>

void AccessibleWindow::Describe(wxWindow* window, Role role, const wxString& name) {
    AtkObject* object = gtk_widget_get_accessible(GTK_WIDGET(window->GetHandle()));
    atk_object_set_role(object, role == ROLE_NOTIFICATION ? ATK_ROLE_NOTIFICATION : ATK_ROLE_IMAGE);
    atk_object_set_name(object, name.utf8_str());
}
