#pragma once

#include <wx/event.h>
#include <wx/icon.h>
#include <wx/menu.h>
#include <wx/string.h>

#include <functional>
#include <memory>

class DBusMenuExporter;

typedef struct _GAsyncResult GAsyncResult;
typedef struct _GCancellable GCancellable;
typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GError GError;
typedef struct _GObject GObject;
typedef struct _GVariant GVariant;

// The tray icon as the desktops of today show it: a StatusNotifierItem on the session bus,
// registered with the StatusNotifierWatcher ("org.kde.StatusNotifierWatcher") whenever one is
// there, also one that starts later or again (a panel restart). Its primary click is the
// activation; its menu is exported over "com.canonical.dbusmenu". Nothing here waits for the
// bus: replies and calls arrive through the main loop on the GUI thread. GUI thread only.
class StatusNotifierItem {
public:
    static const char WATCHER[];
    static const char PATH[];

    struct Handlers {
        // The primary click.
        std::function<void()> activate;
        // The item came into a tray (registered with a watcher whose host shows items), or
        // left it.
        std::function<void(bool inTray)> trayChanged;
        // A fresh menu each time the host asks; its commands go to menuTarget.
        std::function<wxMenu*()> menu;
        wxEvtHandler* menuTarget = nullptr;
    };

    StatusNotifierItem(const wxString& title, const wxIcon& icon, const wxString& toolTip,
                       const Handlers& handlers);
    ~StatusNotifierItem();
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    bool IsInTray() const { return m_registered && m_hostRegistered; }
    void SetToolTip(const wxString& toolTip);
    // The menu's items changed (a check mark, say).
    void MenuChanged();

private:
    static void OnBus(GObject* source, GAsyncResult* result, void* self);
    static void OnWatcherAppeared(GDBusConnection* connection, const char* name, const char* owner,
                                  void* self);
    static void OnWatcherVanished(GDBusConnection* connection, const char* name, void* self);
    static void OnRegistered(GObject* source, GAsyncResult* result, void* self);
    static void OnHostProperty(GObject* source, GAsyncResult* result, void* self);
    static void OnHostRegistered(GDBusConnection* connection, const char* sender, const char* path,
                                 const char* interface, const char* signal, GVariant* parameters,
                                 void* self);
    static void OnMethodCall(GDBusConnection* connection, const char* sender, const char* path,
                             const char* interface, const char* method, GVariant* parameters,
                             GDBusMethodInvocation* invocation, void* self);
    static GVariant* OnGetProperty(GDBusConnection* connection, const char* sender,
                                   const char* path, const char* interface, const char* property,
                                   GError** error, void* self);

    void Export();
    void SetInTray(bool registered, bool hostRegistered);
    // a(iiay): the icon at a few sizes, ARGB32 in network byte order.
    GVariant* Pixmaps() const;

    wxString m_title;
    wxIcon m_icon;
    wxString m_toolTip;
    Handlers m_handlers;
    GCancellable* m_cancellable;
    GDBusConnection* m_connection = nullptr;
    std::unique_ptr<DBusMenuExporter> m_menu;
    unsigned m_registration = 0;
    unsigned m_watch = 0;
    unsigned m_hostSignal = 0;
    bool m_watcherPresent = false;
    bool m_registered = false;
    bool m_hostRegistered = false;
};
