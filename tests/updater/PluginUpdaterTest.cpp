// The updater in the test process against the simulated update service; the question box is
// answered through the toolkit's modal hook.
#include "net/PluginUpdater.h"
#include "core/SiteEndpoints.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"
#include "tests/updater/UpdaterTestSupport.h"

#include <gtest/gtest.h>
#include <wx/msgdlg.h>
#include <wx/stopwatch.h>
#include <wx/testing.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Fails the running test for a question that should not come, or one that did not come.
class QuestionHook : public wxTestingModalHook {
protected:
    // An unexpected box would otherwise really be shown and wait for a user for ever.
    int Enter(wxDialog* dialog) override {
        const int answer = wxTestingModalHook::Enter(dialog);
        return answer == wxID_NONE ? wxID_NO : answer;
    }
    void ReportFailure(const wxString& message) override {
        ADD_FAILURE() << message.utf8_str().data();
    }
};

// The update question: checks what the user is shown and gives the answer.
class UpdateQuestion : public wxExpectModalBase<wxMessageDialog, UpdateQuestion> {
public:
    // answer: the button pressed, wxID_YES or wxID_NO.
    explicit UpdateQuestion(int answer) : m_answer(answer) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override {
        EXPECT_EQ("The new plugin will be installed.", dialog->GetMessage());
        EXPECT_EQ("Confirm", dialog->GetCaption());
        EXPECT_EQ(wxYES_NO | wxCENTRE | wxICON_INFORMATION,
                  dialog->GetMessageDialogStyle() &
                      (wxYES_NO | wxCANCEL | wxCENTRE | wxICON_MASK | wxNO_DEFAULT));
        EXPECT_EQ(nullptr, dialog->GetParent());
        return m_answer;
    }
    wxString GetDefaultDescription() const override { return "the update question"; }

private:
    int m_answer;
};

class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_appDir = TestEnvironment::MakeTempDir("host");
        m_offerDir = TestEnvironment::MakeTempDir("offer");
        m_program = std::make_unique<ProgramPathOverride>(App("roduviriz"));
        m_module = MakePayload("module 1.4.0", 150 * 1024, 1);
        m_skin = MakePayload("skin 1.4.0", 40 * 1024, 2);
        m_catalogue = MakePayload("catalogue 1.4.0", 3000, 3);
        m_manifest = MakePayload("manifest 1.4.0", 700, 4);
    }

    void TearDown() override {
        m_program.reset();
        m_site.reset();
        TestEnvironment::ResetConfig();
        SiteEndpoints::Load();
    }

    std::string App(const std::string& relative) const { return m_appDir + "/" + relative; }

    void OfferEverything() {
        WriteFile(m_offerDir + "/roduviriz.so", m_module);
        WriteFile(m_offerDir + "/roduviriz.skin", m_skin);
        WriteFile(m_offerDir + "/roduviriz.mo", m_catalogue);
        WriteFile(m_offerDir + "/roduviriz.manifest", m_manifest);
    }

    void StartSite(const std::string& latest) {
        m_site = std::make_unique<SiteSimProcess>(
            std::vector<std::string>{"--updates", m_offerDir, "--latest", latest});
        m_site->UseAsSite();
    }

    void AddFault(const std::string& pathPrefix, const std::string& mode,
                  const std::string& extra = "") {
        ASSERT_EQ(200, m_site->Get("/_control/fault?path=" + PercentEncode(pathPrefix) +
                                   "&mode=" + mode + extra));
    }

    std::vector<std::string> Requests() const { return UpdateRequests(m_site->LogLines()); }

    // Runs the updater with no question expected.
    wxFileName* UpdateWithoutQuestion() {
        QuestionHook hook;
        wxFileName* result = ::GetNewPluginFileName();
        hook.CheckUnmetExpectations();
        return result;
    }

    wxFileName* UpdateAnswering(int answer) {
        QuestionHook hook;
        const UpdateQuestion question(answer);
        hook.AddExpectation(question);
        wxFileName* result = ::GetNewPluginFileName();
        hook.CheckUnmetExpectations();
        return result;
    }

    std::string m_appDir;
    std::string m_offerDir;
    std::unique_ptr<ProgramPathOverride> m_program;
    std::unique_ptr<SiteSimProcess> m_site;
    std::string m_module, m_skin, m_catalogue, m_manifest;
};

TEST_F(UpdaterTest, NothingNewStillInstallsStagedFilesAndAsksNothing) {
    WriteFile(App("roduviriz.skin"), "old skin");
    WriteFile(App("roduviriz.skin.new"), m_skin);
    ASSERT_TRUE(wxFileName::Mkdir(App("ja/LC_MESSAGES"), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL));
    WriteFile(App("ja/LC_MESSAGES/roduviriz.mo.new"), m_catalogue);
    WriteFile(App("roduviriz.manifest"), "old manifest");
    WriteFile(App("roduviriz.manifest.new"), m_manifest);
    OfferEverything();
    StartSite("1.3.0"); // the plug-in's own version: a text/html page, no file

    EXPECT_EQ(nullptr, UpdateWithoutQuestion());

    EXPECT_EQ(m_skin, ReadFile(App("roduviriz.skin")));
    EXPECT_EQ(m_catalogue, ReadFile(App("ja/LC_MESSAGES/roduviriz.mo")));
    EXPECT_EQ(m_manifest, ReadFile(App("roduviriz.manifest")));
    for (const char* staged : {"roduviriz.skin.new", "ja/LC_MESSAGES/roduviriz.mo.new",
                               "roduviriz.manifest.new", "roduviriz.so.new"})
        EXPECT_FALSE(FileExists(App(staged))) << staged;
    EXPECT_EQ(std::vector<std::string>{UpdateRequest()}, Requests());
}

TEST_F(UpdaterTest, AcceptedOfferStagesCompanionsAndNamesTheNewModule) {
    WriteFile(App("roduviriz.skin"), "old skin");
    OfferEverything();
    StartSite("1.4.0");

    const wxFileName* result = UpdateAnswering(wxID_YES);

    ASSERT_NE(nullptr, result);
    EXPECT_EQ(wxString::FromUTF8(App("roduviriz.so.new")), result->GetFullPath());
    EXPECT_EQ(m_module, ReadFile(App("roduviriz.so.new")));
    EXPECT_EQ(m_skin, ReadFile(App("roduviriz.skin.new")));
    // The catalogue's folder did not exist before.
    EXPECT_EQ(m_catalogue, ReadFile(App("ja/LC_MESSAGES/roduviriz.mo.new")));
    EXPECT_EQ(m_manifest, ReadFile(App("roduviriz.manifest.new")));
    // Only staged: the companions take effect at the next call.
    EXPECT_EQ("old skin", ReadFile(App("roduviriz.skin")));
    EXPECT_FALSE(FileExists(App("ja/LC_MESSAGES/roduviriz.mo")));
    EXPECT_EQ(
        (std::vector<std::string>{UpdateRequest(), UpdateRequest("&type=skin"),
                                  UpdateRequest("&type=mo"), UpdateRequest("&type=manifest")}),
        Requests());
}

TEST_F(UpdaterTest, DamagedOrDeclinedModuleLeavesNothingBehind) {
    OfferEverything();
    StartSite("1.4.0");

    for (const char* mode : {"cut", "ctparam", "nolength", "500"}) {
        SCOPED_TRACE(mode);
        AddFault(UpdateRequest(), mode, "&count=1");
        EXPECT_EQ(nullptr, UpdateWithoutQuestion());
        EXPECT_FALSE(FileExists(App("roduviriz.so.new")));
    }
    // The same offer undamaged reaches the user, who declines it.
    EXPECT_EQ(nullptr, UpdateAnswering(wxID_NO));

    for (const char* staged : {"roduviriz.so.new", "roduviriz.skin.new",
                               "ja/LC_MESSAGES/roduviriz.mo.new", "roduviriz.manifest.new"})
        EXPECT_FALSE(FileExists(App(staged))) << staged;
    EXPECT_EQ(std::vector<std::string>(5, UpdateRequest()), Requests());
}

TEST_F(UpdaterTest, FailedCompanionsDoNotStopTheNextOnes) {
    OfferEverything();
    wxRemoveFile(wxString::FromUTF8(m_offerDir + "/roduviriz.mo")); // the catalogue: 404
    StartSite("1.4.0");
    AddFault(UpdateRequest("&type=skin"), "cut");

    const wxFileName* result = UpdateAnswering(wxID_YES);

    ASSERT_NE(nullptr, result);
    EXPECT_EQ(m_module, ReadFile(App("roduviriz.so.new")));
    EXPECT_FALSE(FileExists(App("roduviriz.skin.new"))) << "a cut body stays behind";
    EXPECT_FALSE(FileExists(App("ja/LC_MESSAGES/roduviriz.mo.new")));
    EXPECT_EQ(m_manifest, ReadFile(App("roduviriz.manifest.new")));
    EXPECT_EQ(
        (std::vector<std::string>{UpdateRequest(), UpdateRequest("&type=skin"),
                                  UpdateRequest("&type=mo"), UpdateRequest("&type=manifest")}),
        Requests());
}

// Put in place, an empty module would leave the host without a plug-in that loads.
TEST_F(UpdaterTest, EmptyModuleIsNotOffered) {
    OfferEverything();
    WriteFile(m_offerDir + "/roduviriz.so", "");
    StartSite("1.4.0");

    EXPECT_EQ(nullptr, UpdateWithoutQuestion());
    EXPECT_FALSE(FileExists(App("roduviriz.so.new")));
}

TEST_F(UpdaterTest, DownloadFileRefusesEverythingButACompleteFile) {
    OfferEverything();
    StartSite("1.4.0");
    const std::string target = App("download.bin");
    const wxString url = m_site->Url(UpdateRequest("&type=skin"));

    // Each is logged with its reason; a reply of another type is no failure.
    struct Case {
        const char* mode;
        const char* reason;
    };
    for (const Case& c :
         {Case{"cut", "update: body cut after "}, Case{"nolength", "update: no Content-Length"},
          Case{"ctparam", nullptr}}) {
        SCOPED_TRACE(c.mode);
        LogCapture log;
        AddFault(UpdateRequest("&type=skin"), c.mode, "&count=1");
        EXPECT_FALSE(PluginUpdater::DownloadFile(url, target));
        EXPECT_FALSE(FileExists(target));
        if (c.reason)
            EXPECT_TRUE(log.Holds(c.reason));
        else
            EXPECT_TRUE(log.messages.empty()) << log.messages.front().text;
    }
    // A page saying there is nothing new, and a file the service does not have (404).
    EXPECT_FALSE(
        PluginUpdater::DownloadFile(m_site->Url("/cgi-bin/app/update.cgi?version=9.0.0"), target));
    EXPECT_FALSE(PluginUpdater::DownloadFile(m_site->Url(UpdateRequest("&type=other")), target));
    EXPECT_FALSE(FileExists(target));

    // The same request undamaged, over a longer file that must not linger.
    WriteFile(target, std::string(400 * 1024, 'x'));
    EXPECT_TRUE(PluginUpdater::DownloadFile(url, target));
    EXPECT_EQ(m_skin, ReadFile(target));
}

TEST_F(UpdaterTest, DownloadFileGivesUpOnASilentService) {
    OfferEverything();
    StartSite("1.4.0");
    const std::string target = App("download.bin");
    const long silenceMs = 40000;
    AddFault(UpdateRequest(), "delay", "&count=1&ms=" + std::to_string(silenceMs));

    wxStopWatch watch;
    EXPECT_FALSE(PluginUpdater::DownloadFile(m_site->Url(UpdateRequest()), target));
    EXPECT_LT(watch.Time(), silenceMs - 10000) << "waited for the reply instead of timing out";
    EXPECT_FALSE(FileExists(target));
}

} // namespace
