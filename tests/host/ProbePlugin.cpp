// A stand-in plug-in for the host's tests: it records, one line each, what the host does to
// it in the file named by ROD_PROBE_LOG, and behaves as ROD_PROBE_MODE asks.
#include <gio/gio.h>
#include <wx/app.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/module.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Record(const char* what) {
    const char* log = std::getenv("ROD_PROBE_LOG");
    if (!log || !*log)
        return;
    if (FILE* file = std::fopen(log, "a")) {
        std::fprintf(file, "%s\n", what);
        std::fclose(file);
    }
}

bool ModeIs(const char* mode) {
    const char* value = std::getenv("ROD_PROBE_MODE");
    return value && std::strcmp(value, mode) == 0;
}

} // namespace

class ProbeModule : public wxModule {
public:
    bool OnInit() override {
        Record("OnInit");
        wxTheApp->SetAppName("ProbeApp");
        return true;
    }
    void OnExit() override { Record("OnExit"); }

private:
    wxDECLARE_DYNAMIC_CLASS(ProbeModule);
};

wxIMPLEMENT_DYNAMIC_CLASS(ProbeModule, wxModule);

namespace {

// As the plug-in's main frame answers a second start: here the window closes on it.
void AnswerSecondStarts(wxFrame* frame) {
    static const GDBusInterfaceVTable table = {
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
           GDBusMethodInvocation* invocation, gpointer data) {
            Record("ShowMainWindow");
            g_dbus_method_invocation_return_value(invocation, nullptr);
            auto* window = static_cast<wxFrame*>(data);
            window->CallAfter([window] { window->Close(); });
        },
        nullptr,
        nullptr,
        {}};
    GDBusNodeInfo* node =
        g_dbus_node_info_new_for_xml("<node><interface name='example.roduviriz.Roduviriz'>"
                                     "<method name='ShowMainWindow'/></interface></node>",
                                     nullptr);
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus && node)
        g_dbus_connection_register_object(bus, "/example/roduviriz/Roduviriz", node->interfaces[0],
                                          &table, frame, nullptr, nullptr);
    if (node)
        g_dbus_node_info_unref(node);
    if (bus)
        g_object_unref(bus);
}

} // namespace

extern "C" __attribute__((visibility("default"))) bool SiteRun() {
    Record("SiteRun");
    if (ModeIs("nowindow"))
        return true;
    if (ModeIs("fail"))
        return false;
    if (ModeIs("handover")) {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "probe");
        frame->Show();
        AnswerSecondStarts(frame);
        return true;
    }
    // Still starting for a second: the window is there, the answer to a second start not yet.
    if (ModeIs("slowstart")) {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "probe");
        frame->Show();
        g_timeout_add(
            1000,
            [](void* data) {
                AnswerSecondStarts(static_cast<wxFrame*>(data));
                return G_SOURCE_REMOVE;
            },
            frame);
        return true;
    }
    // Two windows, closed one after the other once the loop runs: the host must keep
    // running until the second is gone.
    auto* first = new wxFrame(nullptr, wxID_ANY, "probe one");
    auto* second = new wxFrame(nullptr, wxID_ANY, "probe two");
    first->Show();
    second->Show();
    first->CallAfter([first, second] {
        Record("close one");
        first->Close();
        second->CallAfter([second] {
            Record("close two");
            second->Close();
        });
    });
    return true;
}

extern "C" __attribute__((visibility("default"))) wxFileName* GetNewPluginFileName() {
    Record("GetNewPluginFileName");
    // Owned here, valid until unload, as the host expects.
    static wxFileName name;
    const char* staged = std::getenv("ROD_PROBE_NEW_PLUGIN");
    if (!staged || !*staged)
        return nullptr;
    name.Assign(wxString::FromUTF8(staged));
    return &name;
}
