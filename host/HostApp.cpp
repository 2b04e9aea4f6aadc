#include "host/HostApp.h"

#include "host/SingleInstance.h"
#include "resources/Trace.h"

#include <wx/cmdline.h>
#include <wx/frame.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/msgout.h>
#include <wx/toplevel.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
using SiteRunFunction = bool (*)();
using GetNewPluginFileNameFunction = wxFileName* (*)();

void PrintLine(FILE* stream, const wxString& line) {
    std::fputs(line.utf8_str().data(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// The running program's own file. argv[0] may be a bare name found through PATH (which the
// plug-in would resolve against the current folder) or a symbolic link away from the plug-in.
std::string ProgramPath(const char* argv0) {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0)
        return std::string(path, static_cast<size_t>(length));
    if (std::strchr(argv0, '/') && realpath(argv0, path))
        return path;
    return argv0;
}

// The parser prints its complaints itself; they are kept for our one line instead.
int ParseQuietly(wxCmdLineParser& parser, wxString* complaint) {
    char* text = nullptr;
    size_t length = 0;
    FILE* memory = open_memstream(&text, &length);
    if (!memory)
        return parser.Parse(false);
    wxMessageOutputStderr capture(memory);
    wxMessageOutput* previous = wxMessageOutput::Set(&capture);
    const int result = parser.Parse(false);
    wxMessageOutput::Set(previous);
    std::fclose(memory);
    *complaint = wxString::FromUTF8(text, length);
    std::free(text);
    complaint->Trim(true).Trim(false);
    complaint->Replace("\n", "; ");
    return result;
}
} // namespace

void HostApp::AddOptions(wxCmdLineParser& parser) {
    parser.AddSwitch("h", "help", "show this help and exit", wxCMD_LINE_OPTION_HELP);
    parser.AddSwitch("", "update",
                     "ask the plug-in for a newer plug-in (GetNewPluginFileName) and move the "
                     "file it names over the plug-in, then exit");
    parser.AddSwitch("", "dump-ui",
                     "run as usual, but once the first frame with a menu bar shows, print its "
                     "title and menu texts (as translated) and close every window");
    parser.AddSwitch("", "verbose",
                     "log the plug-in's traces as well as its events (the log is on the standard "
                     "error and in ~/.local/state/roduviriz/)");
    parser.AddSwitch("", "probe",
                     "load the plug-in, print the application and vendor names its module set "
                     "and which exports it has, unload it and exit");
}

wxString HostApp::Usage() {
    wxCmdLineParser parser;
    AddOptions(parser);
    return "Usage: roduviriz [--verbose] [--update | --probe | --dump-ui]\n" +
           parser.GetUsageString().AfterFirst('\n') +
           "\nWithout options: load the plug-in beside the program (its path with the\n"
           "extension .so), call SiteRun and run until no window is left; when the\n"
           "program runs already on this display, show its window instead and exit.\n"
           "Exit status: 0 on success, 1 when the plug-in is missing or broken, the\n"
           "update cannot be installed or the running program does not answer, 2 for a\n"
           "bad command line.\n";
}

bool HostApp::OnInit() {
    // Our own options only, parsed here rather than by wxApp so that mistakes are printed
    // on the terminal instead of in a message box.
    wxCmdLineParser parser(argc, argv);
    AddOptions(parser);
    switch (ParseQuietly(parser, &m_argumentError)) {
    case -1:
        m_mode = Mode::HELP;
        return true;
    case 0:
        break;
    default:
        m_mode = Mode::BAD_ARGUMENTS;
        return true;
    }
    if (parser.Found("update") && parser.Found("probe")) {
        m_mode = Mode::BAD_ARGUMENTS;
        m_argumentError = "--update and --probe exclude each other";
        return true;
    }
    m_dumpUi = parser.Found("dump-ui");
    // The plug-in traces under this mask; the toolkit's log (the plug-in's) then takes them.
    if (parser.Found("verbose"))
        wxLog::AddTraceMask(ROD_TRACE);
    m_mode = parser.Found("update")  ? Mode::UPDATE
             : parser.Found("probe") ? Mode::PROBE
                                     : Mode::RUN;

    const wxFileName program(argv[0]);
    SetUpLocale(program);
    m_plugin = std::make_unique<PluginHost>(program);
    return true;
}

// The plug-in only looks texts up; the locale and the catalogue beside the program are ours.
void HostApp::SetUpLocale(const wxFileName& program) {
    // A system language without an installed locale is not worth a dialog: texts then stay
    // untranslated.
    wxLogNull quiet;
    m_locale.Init(wxLANGUAGE_DEFAULT);
    wxLocale::AddCatalogLookupPathPrefix(program.GetPath());
    m_locale.AddCatalog(program.GetName());
}

int HostApp::OnRun() {
    switch (m_mode) {
    case Mode::HELP:
        PrintLine(stdout, Usage());
        return 0;
    case Mode::BAD_ARGUMENTS:
        PrintLine(stderr,
                  "roduviriz: " +
                      (m_argumentError.empty() ? wxString("unknown option") : m_argumentError) +
                      "; see roduviriz --help");
        return 2;
    case Mode::UPDATE:
        return Update();
    case Mode::PROBE:
        return Probe();
    case Mode::RUN:
        break;
    }
    return Run();
}

int HostApp::Fail(const wxString& message) const {
    PrintLine(stderr, "roduviriz: " + message);
    return 1;
}

bool HostApp::LoadPlugin() {
    wxString error;
    if (m_plugin->Load(&error))
        return true;
    Fail(error);
    return false;
}

int HostApp::Run() {
    if (!LoadPlugin())
        return 1;
    auto siteRun = reinterpret_cast<SiteRunFunction>(m_plugin->GetExport("SiteRun"));
    if (!siteRun)
        return Fail("the plug-in " + m_plugin->GetPath() + " does not export SiteRun");
    if (!siteRun())
        return Fail("SiteRun of " + m_plugin->GetPath() + " failed");
    // The loop ends when the last top-level window goes; with none it would never end.
    if (wxTopLevelWindows.empty())
        return 0;
    if (m_dumpUi) {
        m_dumpTimer.Bind(wxEVT_TIMER, &HostApp::OnDumpTimer, this);
        m_dumpTimer.Start(200);
    }
    return wxApp::OnRun();
}

void HostApp::OnDumpTimer(wxTimerEvent&) {
    for (wxWindow* window : wxTopLevelWindows) {
        auto* frame = dynamic_cast<wxFrame*>(window);
        if (!frame || !frame->IsShown() || !frame->GetMenuBar())
            continue;
        m_dumpTimer.Stop();
        PrintLine(stdout, "window: " + frame->GetTitle());
        const wxMenuBar* bar = frame->GetMenuBar();
        for (size_t i = 0; i < bar->GetMenuCount(); ++i) {
            PrintLine(stdout, "menu: " + bar->GetMenuLabel(i));
            for (const wxMenuItem* item : bar->GetMenu(i)->GetMenuItems())
                PrintLine(stdout, "item: " + item->GetItemLabel());
        }
        // Closing takes windows off the list being walked: close from a copy.
        const std::vector<wxWindow*> windows(wxTopLevelWindows.begin(), wxTopLevelWindows.end());
        for (wxWindow* each : windows)
            each->Close(true);
        return;
    }
}

int HostApp::Update() {
    if (!LoadPlugin())
        return 1;
    auto getNew =
        reinterpret_cast<GetNewPluginFileNameFunction>(m_plugin->GetExport("GetNewPluginFileName"));
    if (!getNew)
        return Fail("the plug-in " + m_plugin->GetPath() + " does not export GetNewPluginFileName");
    // The plug-in owns the returned name; it stays valid until the plug-in is unloaded.
    const wxFileName* newPlugin = getNew();
    if (!newPlugin) {
        PrintLine(stdout, "no new plug-in");
        return 0;
    }
    const wxString newFile = newPlugin->GetFullPath();
    wxString error;
    if (!m_plugin->Replace(newFile, &error))
        return Fail(error);
    PrintLine(stdout, "installed " + newFile + " as " + m_plugin->GetPath());
    return 0;
}

int HostApp::Probe() {
    if (!LoadPlugin())
        return 1;
    PrintLine(stdout, "plug-in: " + m_plugin->GetPath());
    PrintLine(stdout, "application: " + GetAppName());
    PrintLine(stdout, "vendor: " + GetVendorName());
    for (const char* name : {"SiteRun", "GetNewPluginFileName"})
        PrintLine(stdout, wxString::Format("export %s: %s", name,
                                           m_plugin->HasExport(name) ? "yes" : "no"));
    return 0;
}

int HostApp::OnExit() {
    // Destroyed windows are deleted and queued calls run only here; both may hold code of
    // the plug-in, so they go before it is unloaded.
    ProcessPendingEvents();
    if (m_plugin)
        m_plugin->Unload();
    return wxApp::OnExit();
}

wxIMPLEMENT_APP_NO_MAIN(HostApp);

int main(int argc, char** argv) {
    // As the toolkit's own main does: a release build does not stop on assertions.
    wxDISABLE_DEBUG_SUPPORT();
    // Help needs no display, unlike everything else the host does.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintLine(stdout, HostApp::Usage());
            return 0;
        }
    }
    // One program per user and display, decided before the toolkit starts so that a second
    // start ends at once. Only a plain start: --update and the checks run beside the program.
    SingleInstance instance;
    if (argc == 1) {
        switch (instance.Claim()) {
        case SingleInstance::Outcome::FIRST:
            break;
        case SingleInstance::Outcome::HANDED_OVER:
            return 0;
        case SingleInstance::Outcome::NO_ANSWER:
            PrintLine(stderr, "roduviriz: the program runs already on this display, but does not "
                              "answer");
            return 1;
        }
    }
    // The toolkit's argv[0] is what the plug-in derives its skin, catalogue and staged
    // updates from.
    if (argc < 1)
        return wxEntry(argc, argv);
    std::string program = ProgramPath(argv[0]);
    std::vector<char*> arguments(argv, argv + argc + 1);
    arguments[0] = program.data();
    return wxEntry(argc, arguments.data());
}
