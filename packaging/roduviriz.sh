#!/bin/sh
# Starts the host from the folder where it lives beside its plug-in, skin and catalogue.
# In a Wayland session a GTK program cannot place its own pop-ups (nor show the toolkit's kind
# of tray icon): it runs on X11 through XWayland, unless the user chose a back-end or there is
# no X display.
# The marker tells the program to start the browser with the session's own back-end.
if [ -z "${GDK_BACKEND:-}" ] && [ -n "${DISPLAY:-}" ]; then
    GDK_BACKEND=x11
    RODUVIRIZ_X11_BY_LAUNCHER=1
    export GDK_BACKEND RODUVIRIZ_X11_BY_LAUNCHER
fi
exec "$(dirname "$(readlink -f "$0")")/../@ROD_APP_DIR@/roduviriz" "$@"
