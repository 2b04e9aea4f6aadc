// One main for every test executable: a wx application object as the host would have it
// (console or GUI, chosen at build time), a private HOME, logs to stderr, and an assert
// handler that fails the running test instead of opening a dialog.
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_str().data(), line)
        << "wx assertion in " << func.utf8_str().data() << ": " << cond.utf8_str().data() << " "
        << msg.utf8_str().data();
}

#if ROD_GUI_TESTS
class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};
#else
class TestApp : public wxAppConsole {
public:
    bool OnInit() override { return true; }
};
#endif

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TestEnvironment::Prepare();

    // The host program's name decides every file name of the plug-in: make it the built host.
    std::string argv0 = TestEnvironment::HostProgram();
    char* wxArgv[] = {argv0.data(), nullptr};
    int wxArgc = 1;

    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(wxArgc, wxArgv)) {
        std::fprintf(stderr, "cannot initialise wxWidgets\n");
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxSetAssertHandler(FailOnAssert);
    // wxTheApp casts to the GUI application class, which a console test's object is not.
    wxAppConsole* const app = wxAppConsole::GetInstance();
    // As the plug-in's module names it, also in tests that do not link the module.
    app->SetVendorName("Kestova");
    app->SetAppName("Roduviriz");
    if (!app->CallOnInit())
        return 1;

    int result;
    {
        // Tests pump events themselves; this makes Yield() work outside a running main loop.
#if ROD_GUI_TESTS
        wxEventLoopGuarantor activeLoop;
#else
        // wxEventLoopGuarantor would make a GUI loop here (the GUI library is linked), whose
        // Yield asserts on a console application object: take the console loop of the traits.
        std::unique_ptr<wxEventLoopBase> activeLoop(app->GetTraits()->CreateEventLoop());
        wxEventLoopBase::SetActive(activeLoop.get());
#endif
        result = RUN_ALL_TESTS();
#if !ROD_GUI_TESTS
        wxEventLoopBase::SetActive(nullptr);
#endif
    }

    app->OnExit();
    wxEntryCleanup();
    TestEnvironment::CleanUp();
    return result;
}
