#include "ui/popup/NotificationWindowHints.h"

#include <wx/toplevel.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

void NotificationWindowHints::Apply(wxTopLevelWindow* window) {
#ifdef __WXGTK__
    GtkWindow* gtkWindow = GTK_WINDOW(window->GetHandle());
    if (!gtkWindow)
        return;
    // The type is read by the window manager when the window is mapped.
    gtk_window_set_type_hint(gtkWindow, GDK_WINDOW_TYPE_HINT_NOTIFICATION);
    gtk_window_set_skip_taskbar_hint(gtkWindow, TRUE);
    gtk_window_set_skip_pager_hint(gtkWindow, TRUE);
    gtk_window_set_accept_focus(gtkWindow, FALSE);
    gtk_window_set_focus_on_map(gtkWindow, FALSE);
#else
    wxUnusedVar(window);
#endif
}
