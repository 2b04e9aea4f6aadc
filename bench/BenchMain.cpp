// One main for every benchmark: a wx GUI application as the host would have it, with the
// built host's name as argv[0] so that the skin beside it is found, and logs to stderr.
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {
class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// The built host lies beside the benchmark programs.
std::string HostProgramBeside(const char* self) {
    char resolved[4096];
    const ssize_t n = ::readlink("/proc/self/exe", resolved, sizeof resolved - 1);
    std::string exe = n > 0 ? std::string(resolved, static_cast<size_t>(n)) : std::string(self);
    const size_t slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/roduviriz";
}
} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    std::string argv0 = HostProgramBeside(argv[0]);
    char* wxArgv[] = {argv0.data(), nullptr};
    int wxArgc = 1;
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(wxArgc, wxArgv)) {
        std::fprintf(stderr, "cannot initialise wxWidgets (is there a display?)\n");
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr);
    if (!wxTheApp->CallOnInit())
        return 1;
    {
        wxEventLoopGuarantor activeLoop;
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
