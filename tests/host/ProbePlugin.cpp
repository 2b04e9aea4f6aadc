// A stand-in plug-in for the host's tests: it records, one line each, what the host does to
// it in the file named by ROD_PROBE_LOG, and behaves as ROD_PROBE_MODE asks.
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

extern "C" __attribute__((visibility("default"))) bool SiteRun() {
    Record("SiteRun");
    if (ModeIs("nowindow"))
        return true;
    if (ModeIs("fail"))
        return false;
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
