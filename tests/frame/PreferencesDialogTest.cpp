// The preferences dialog in a real modal loop, answered with real clicks: what it shows, the
// host check as the user types, what OK writes (settings file and autostart entry) and what a
// failed save leaves.
#include "ui/frame/PreferencesDialog.h"
#include "core/SiteEndpoints.h"
#include "resources/AutostartEntry.h"
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/resources/ScopedProgramPath.h"
#include "tests/support/TestEnvironment.h"
#include "ui/announce/MutedPerformers.h"
#include "ui/popup/PopupDialog.h"
#include "ui/popup/PopupDialogManager.h"

#include <gtest/gtest.h>
#include <wx/display.h>
#include <wx/ffile.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/scrolwin.h>
#include <wx/utils.h>

#include <cstdlib>

#include <sys/stat.h>

using namespace frametest;

namespace {

class PreferencesDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestEnvironment::ResetConfig();
        if (wxFileExists(AutostartEntry::GetPath()))
            wxRemoveFile(AutostartEntry::GetPath());
    }
    void TearDown() override { TestEnvironment::ResetConfig(); }

    static wxString Raw(const char* key) { return ImageStore::GetConfig()->Read(key, "<absent>"); }
    static wxString Read(const wxString& path) {
        wxString text;
        wxFFile(path).ReadAll(&text);
        return text;
    }
    static wxString SettingsFile() { return wxFileConfig::GetLocalFileName("Roduviriz"); }
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const wxString& value) : m_name(name) {
        m_had = wxGetEnv(name, &m_old);
        wxSetEnv(name, value);
    }
    ~ScopedEnv() { m_had ? wxSetEnv(m_name, m_old) : wxUnsetEnv(m_name); }

private:
    const char* m_name;
    bool m_had;
    wxString m_old;
};

wxSpinCtrl* Spin(wxWindow& dialog, const char* key) {
    return Control<wxSpinCtrl>(dialog, key);
}
wxCheckBox* Check(wxWindow& dialog, const char* key) {
    return Control<wxCheckBox>(dialog, key);
}

} // namespace

TEST_F(PreferencesDialogTest, ShowsStoredValuesWithDefaultsForBadOnesAndOnlyOkFixesThem) {
    {
        auto config = ImageStore::GetConfig();
        config->Write("/Site/webHost", "site.test:8080");
        config->Write("/Site/imageHost", "  img.test ");
        config->Write("/System/syncinterval", 0L);
        config->Write("/System/parsePause", "fast");
        config->Write("/PopupDialog/duration", 99999L);
        config->Write("/PopupDialog/graceRefreshes", 3L);
        config->Write("/PopupDialog/onlyFavorite", true);
        config->Write("/PopupDialog/holdWhileHovered", true);
        config->Write("/Session/startInTray", 7L);
        config->Write("/Site/scheme", "HTTPS");
        config->Write("/PopupDialog/style", "wayland");
    }
    PreferencesDialog cancelled(nullptr);
    EXPECT_EQ("Preferences", cancelled.GetTitle());
    EXPECT_EQ("site.test:8080", Control<wxTextCtrl>(cancelled, "/Site/webHost")->GetValue());
    EXPECT_EQ("img.test", Control<wxTextCtrl>(cancelled, "/Site/imageHost")->GetValue());
    EXPECT_EQ("preview.kestova.example",
              Control<wxTextCtrl>(cancelled, "/Site/previewHost")->GetValue());
    EXPECT_EQ(10, Spin(cancelled, "/System/syncinterval")->GetValue());
    EXPECT_EQ(10, Spin(cancelled, "/System/parsePause")->GetValue());
    EXPECT_EQ(3600, Spin(cancelled, "/PopupDialog/duration")->GetValue());
    EXPECT_EQ(3, Spin(cancelled, "/PopupDialog/graceRefreshes")->GetValue());
    EXPECT_TRUE(Check(cancelled, "/PopupDialog/onlyFavorite")->GetValue());
    EXPECT_FALSE(Check(cancelled, "/PopupDialog/paused")->GetValue());
    EXPECT_TRUE(Check(cancelled, "/PopupDialog/holdWhileHovered")->GetValue());
    EXPECT_FALSE(Check(cancelled, "/Session/startInTray")->GetValue());
    EXPECT_FALSE(Check(cancelled, "/Session/autostart")->GetValue());
    EXPECT_FALSE(Check(cancelled, "/Site/scheme")->GetValue()) << "only \"https\" is https";
    EXPECT_EQ(PopupSettings::STYLE_OWN,
              Control<wxChoice>(cancelled, "/PopupDialog/style")->GetSelection());
    EXPECT_TRUE(cancelled.FindWindow(wxID_OK)->IsEnabled());

    EXPECT_EQ(wxID_CANCEL, RunModalWith(cancelled, [&] {
                  Spin(cancelled, "/System/syncinterval")->SetValue(99);
                  Check(cancelled, "/Session/autostart")->SetValue(true);
                  ClickButton(cancelled, wxID_CANCEL);
              }));
    EXPECT_EQ("0", Raw("/System/syncinterval"));
    EXPECT_EQ("fast", Raw("/System/parsePause"));
    EXPECT_EQ("<absent>", Raw("/Site/previewHost"));
    EXPECT_FALSE(wxFileExists(AutostartEntry::GetPath()));

    PreferencesDialog accepted(nullptr);
    EXPECT_EQ(wxID_OK, RunModalWith(accepted, [&] {
                  Check(accepted, "/Site/scheme")->SetValue(true);
                  Control<wxChoice>(accepted, "/PopupDialog/style")
                      ->SetSelection(PopupSettings::STYLE_DESKTOP);
                  ClickButton(accepted, wxID_OK);
              }));
    EXPECT_EQ("https", Raw("/Site/scheme"));
    EXPECT_EQ("desktop", Raw("/PopupDialog/style"));
    EXPECT_EQ("10", Raw("/System/syncinterval"));
    EXPECT_EQ("10", Raw("/System/parsePause"));
    EXPECT_EQ("3600", Raw("/PopupDialog/duration"));
    EXPECT_EQ("0", Raw("/Session/startInTray"));
    EXPECT_EQ("img.test", Raw("/Site/imageHost"));
    EXPECT_EQ("0", Raw("/Session/autostart"));
    // On disk at once, and the site's hosts follow without a restart.
    EXPECT_TRUE(Read(SettingsFile()).Contains("syncinterval=10\n"));
    EXPECT_EQ("site.test:8080", SiteEndpoints::WebHost());
    EXPECT_EQ("https://img.test/x", SiteEndpoints::ImageUrl("/x"));
}

// Each number at its limits shows as it is; one past them, as its default (the duration held
// within its range, as the pop-ups hold it).
TEST_F(PreferencesDialogTest, NumbersShowTheirLimitsAndOnePastThemAsTheDefault) {
    struct Limits {
        const char* key;
        long low, high, belowLow, aboveHigh;
    };
    const Limits numbers[] = {{"/System/syncinterval", 1, 3600, 10, 10},
                              {"/System/parsePause", 0, 100, 10, 10},
                              {"/PopupDialog/duration", 1, 3600, 1, 3600},
                              {"/PopupDialog/graceRefreshes", 0, 10, 0, 0}};
    for (const bool high : {false, true}) {
        for (const long past : {0L, 1L}) {
            for (const Limits& number : numbers)
                ImageStore::GetConfig()->Write(number.key,
                                               high ? number.high + past : number.low - past);
            PreferencesDialog dialog(nullptr);
            for (const Limits& number : numbers) {
                const long shown = !past ? (high ? number.high : number.low)
                                         : (high ? number.aboveHigh : number.belowLow);
                EXPECT_EQ(shown, Spin(dialog, number.key)->GetValue())
                    << number.key << (high ? " high" : " low") << (past ? ", one past" : "");
            }
        }
    }
}

TEST_F(PreferencesDialogTest, HostsAreCheckedAsTypedAndABadOneSaysWhyAndBlocksOk) {
    PreferencesDialog dialog(nullptr);
    auto* web = Control<wxTextCtrl>(dialog, "/Site/webHost");
    auto* preview = Control<wxTextCtrl>(dialog, "/Site/previewHost");
    auto* webReason = Control<wxStaticText>(dialog, "/Site/webHost reason");
    wxWindow* ok = dialog.FindWindow(wxID_OK);
    const std::pair<const char*, const char*> cases[] = {
        {"", "Enter a host name."},
        {"http://site.test", "Only the host name, without \"http://\"."},
        {"site.test/live", "Only the host name, without a path."},
        {"my site", "A host name has no spaces."},
        {"site.test:0", "The port must be a number from 1 to 65535."},
        {"site.test:http", "The port must be a number from 1 to 65535."},
        {"-site.test", "A host name holds only letters, digits, dots and hyphens."},
        {"site..test", "A host name holds only letters, digits, dots and hyphens."},
        {"[::1]:80", "A host name holds only letters, digits, dots and hyphens."},
        {"127.0.0.1:65535", ""},
        {"localhost", ""},
        {"my-site.test", ""},
    };
    for (const auto& [value, reason] : cases) {
        SCOPED_TRACE(value);
        web->SetValue(value);
        EXPECT_EQ(reason, webReason->GetLabel());
        EXPECT_EQ(*reason != '\0', webReason->IsShown());
        EXPECT_EQ(*reason == '\0', ok->IsEnabled());
    }

    // Two bad fields: fixing one keeps OK off; Enter pressing it anyway saves nothing.
    web->SetValue("bad host");
    preview->SetValue("preview.test/");
    web->SetValue("site.test");
    EXPECT_FALSE(ok->IsEnabled());
    EXPECT_TRUE(Control<wxStaticText>(dialog, "/Site/previewHost reason")->IsShown());
    wxCommandEvent press(wxEVT_BUTTON, wxID_OK);
    press.SetEventObject(ok);
    dialog.GetEventHandler()->ProcessEvent(press);
    EXPECT_EQ("<absent>", Raw("/Site/webHost"));
    preview->SetValue("preview.test");
    EXPECT_TRUE(ok->IsEnabled());

    // On the screen, a reason stands beside its own field, on the field's line, also when the
    // dialog needs no more room for it (the web host's reason, as long, is there already).
    web->SetValue("bad host");
    std::vector<std::pair<wxRect, wxRect>> placed;
    RunModalWith(dialog, [&] {
        for (const char* key : {"/Site/imageHost", "/Site/previewHost"}) {
            auto* field = Control<wxTextCtrl>(dialog, key);
            field->SetValue("bad host");
            PumpEvents(100);
            placed.emplace_back(
                Control<wxStaticText>(dialog, wxString(key) + " reason")->GetScreenRect(),
                field->GetScreenRect());
            field->SetValue("site.test");
        }
        dialog.EndModal(wxID_CANCEL);
    });
    ASSERT_EQ(placed.size(), 2u);
    for (const auto& [reason, line] : placed) {
        EXPECT_GE(reason.x, line.GetRight());
        EXPECT_GE(reason.y + reason.height / 2, line.y);
        EXPECT_LE(reason.y + reason.height / 2, line.GetBottom());
    }
}

// The dialog opens with the focus in its first field, and fits the work area, its fields
// scrolling where they must (a run of its own has large text on a 1366 x 768 screen): the
// buttons and the window's frame stay on the screen, and every field can be scrolled to.
TEST_F(PreferencesDialogTest, OpensInTheFirstFieldAndFitsTheWorkAreaScrollingWhereItMust) {
    PreferencesDialog dialog(nullptr);
    auto* web = Control<wxTextCtrl>(dialog, "/Site/webHost");
    wxWindow* focused = nullptr;
    wxRect rect;
    wxRect okRect;
    RunModalWith(dialog, [&] {
        focused = wxWindow::FindFocus();
        rect = dialog.GetScreenRect();
        okRect = dialog.FindWindow(wxID_OK)->GetScreenRect();
        dialog.EndModal(wxID_CANCEL);
    });
    EXPECT_EQ(focused, web);
    const wxRect area = wxDisplay(&dialog).GetClientArea();
    EXPECT_LE(rect.height + 32, area.height) << "room for the title bar";
    EXPECT_LE(rect.width, area.width);
    EXPECT_LE(okRect.GetBottom(), area.GetBottom());
    wxWindow* scroller = web->GetParent()->GetParent();
    ASSERT_NE(dynamic_cast<wxScrolledWindow*>(scroller), nullptr);
    const wxSize fields = scroller->GetSizer()->GetMinSize();
    EXPECT_GE(scroller->GetVirtualSize().y, fields.y) << "every field can be scrolled to";
}

TEST_F(PreferencesDialogTest, AutostartEntryRunsTheInstalledLauncherAndTheFileIsTheTruth) {
    const wxString prefix = TestEnvironment::MakeTempDir("in stall") + "/usr $HOME";
    ASSERT_TRUE(
        wxFileName::Mkdir(prefix + "/lib/x86_64-linux-gnu/roduviriz", 0755, wxPATH_MKDIR_FULL));
    ASSERT_TRUE(wxFileName::Mkdir(prefix + "/bin", 0755, wxPATH_MKDIR_FULL));
    wxFFile(prefix + "/bin/roduviriz", "w").Write("#!/bin/sh\n");
    wxFFile(prefix + "/lib/x86_64-linux-gnu/roduviriz/roduviriz", "w").Write("#!/bin/sh\n");
    ASSERT_EQ(0, wxExecute("chmod 755 '" + prefix + "/bin/roduviriz'", wxEXEC_SYNC));
    ScopedProgramPath program(prefix + "/lib/x86_64-linux-gnu/roduviriz/roduviriz");

    auto run = [](bool autostart) {
        PreferencesDialog dialog(nullptr);
        const bool shown = Check(dialog, "/Session/autostart")->GetValue();
        EXPECT_EQ(wxID_OK, RunModalWith(dialog, [&] {
                      Check(dialog, "/Session/autostart")->SetValue(autostart);
                      ClickButton(dialog, wxID_OK);
                  }));
        return shown;
    };
    const wxString path = AutostartEntry::GetPath();
    EXPECT_EQ(wxString(std::getenv("XDG_CONFIG_HOME")) + "/autostart/roduviriz.desktop", path);
    EXPECT_FALSE(run(true));
    ASSERT_TRUE(wxFileExists(path));
    EXPECT_EQ("1", Raw("/Session/autostart"));
    // Quoted for the space, with the dollar escaped, and a valid entry as a whole.
    wxString quoted = prefix;
    quoted.Replace("$", "\\\\$");
    EXPECT_TRUE(Read(path).Contains("\nExec=\"" + quoted + "/bin/roduviriz\"\n")) << Read(path);
    EXPECT_EQ(0, wxExecute("desktop-file-validate '" + path + "'", wxEXEC_SYNC));
    EXPECT_TRUE(run(true));

    // Switched off by the desktop's session settings, or deleted: shown off, written anew.
    wxFFile(path, "w").Write("[Desktop Entry]\nType=Application\nName=x\nExec=x\nHidden=true\n");
    EXPECT_FALSE(run(true));
    EXPECT_FALSE(Read(path).Contains("Hidden"));
    wxRemoveFile(path);
    ImageStore::GetConfig()->Write("/Session/autostart", true);
    EXPECT_FALSE(run(false));
    EXPECT_FALSE(wxFileExists(path));
    EXPECT_EQ("0", Raw("/Session/autostart"));
}

TEST_F(PreferencesDialogTest, UnwritableFoldersGiveOneMessageAndChangeNothing) {
    // A plain file where a folder should be stops everybody, root included.
    const wxString blocker = TestEnvironment::MakeTempDir("blocked") + "/file";
    wxFFile(blocker, "w").Write("not a folder");
    ImageStore::GetConfig()->Write("/System/syncinterval", 5L);
    ASSERT_TRUE(ImageStore::GetConfig()->Flush());
    const wxString before = Read(SettingsFile());

    ModalAnswerer answers;
    auto tryToSave = [&answers](const wxString& expected) {
        // The dialog itself runs; the message over it is answered.
        answers.Expect([](wxDialog*) { return static_cast<int>(wxID_NONE); });
        answers.Expect(AnswerOk());
        const size_t shown = answers.GetShown().size();
        PreferencesDialog dialog(nullptr);
        EXPECT_EQ(wxID_CANCEL, RunModalWith(dialog, [&] {
                      Spin(dialog, "/System/syncinterval")->SetValue(42);
                      Check(dialog, "/Session/autostart")->SetValue(true);
                      ClickButton(dialog, wxID_OK);
                      EXPECT_TRUE(dialog.IsModal()) << "the dialog stays for another try";
                      ClickButton(dialog, wxID_CANCEL);
                  }));
        ASSERT_EQ(shown + 2, answers.GetShown().size());
        EXPECT_EQ("message", answers.GetShown().back().kind);
        EXPECT_EQ("Preferences", answers.GetShown().back().title);
        const wxString message = wxString::FromUTF8(answers.GetShown().back().message);
        EXPECT_TRUE(message.Contains(expected)) << message;
        EXPECT_TRUE(message.EndsWith("\nNothing was changed.")) << message;
    };

    {
        ScopedEnv config("XDG_CONFIG_HOME", blocker + "/config");
        tryToSave("cannot be created");
    }
    EXPECT_EQ("5", Raw("/System/syncinterval"));
    EXPECT_EQ("<absent>", Raw("/Session/autostart"));
    EXPECT_EQ(before, Read(SettingsFile()));

    // Settings first: an unwritable settings folder leaves the autostart entry alone too.
    TestEnvironment::ResetConfig();
    {
        ScopedEnv home("HOME", blocker + "/home");
        tryToSave("The settings file " + blocker + "/home/.Roduviriz cannot be written.");
        EXPECT_EQ("<absent>", Raw("/System/syncinterval"));
        wxLogNull quiet; // the discarded object's own attempt to save
        TestEnvironment::ResetConfig();
    }
    EXPECT_FALSE(wxFileExists(AutostartEntry::GetPath()));
}

// The history's settings show as the history reads them and OK writes them; "Clear history"
// is there only with something to clear, asks first and acts at once.
TEST_F(PreferencesDialogTest, HistorySettingsAndClearHistoryThatAsksFirst) {
    ImageStore::GetConfig()->Write("/History/scope", "all");
    ImageStore::GetConfig()->Write("/History/days", 3651L);
    PreferencesDialog dialog(nullptr);
    auto* scope = Control<wxChoice>(dialog, "/History/scope");
    EXPECT_EQ(1, scope->GetSelection());
    EXPECT_EQ(90, Spin(dialog, "/History/days")->GetValue());
    wxWindow* clear = dialog.FindWindow(PreferencesDialog::ID_CLEAR_HISTORY);
    EXPECT_FALSE(clear->IsEnabled());
    int cleared = 0;
    dialog.SetHistoryClearer([&cleared] { ++cleared; });
    EXPECT_TRUE(clear->IsEnabled());

    ModalAnswerer answers;
    answers.Expect([](wxDialog*) { return static_cast<int>(wxID_NONE); });
    answers.Expect([](wxDialog*) { return static_cast<int>(wxID_NO); });
    answers.Expect([](wxDialog*) { return static_cast<int>(wxID_YES); });
    EXPECT_EQ(wxID_OK, RunModalWith(dialog, [&] {
                  ClickButton(dialog, PreferencesDialog::ID_CLEAR_HISTORY);
                  EXPECT_EQ(0, cleared);
                  ClickButton(dialog, PreferencesDialog::ID_CLEAR_HISTORY);
                  EXPECT_EQ(1, cleared);
                  EXPECT_FALSE(clear->IsEnabled()) << "nothing is left to clear";
                  scope->SetSelection(0);
                  Spin(dialog, "/History/days")->SetValue(1);
                  ClickButton(dialog, wxID_OK);
              }));
    ASSERT_EQ(3u, answers.GetShown().size());
    EXPECT_EQ("Clear history", answers.GetShown()[1].title);
    EXPECT_EQ("favorites", Raw("/History/scope"));
    EXPECT_EQ("1", Raw("/History/days"));
    // Everything fits a screen of 1024 x 768.
    EXPECT_LE(dialog.GetSize().y, 768 - 40);
    EXPECT_LE(dialog.GetSize().x, 1024);
}

// The muted performers are listed; "Unmute" takes the selected one out of the list, and only
// OK unmutes her in the file, the others staying muted.
TEST_F(PreferencesDialogTest, MutedPerformersAreListedAndOkUnmutesThoseTakenOut) {
    MutedPerformers::SetMuted("kasa", true);
    MutedPerformers::SetMuted("Ab&c=D%20e", true);
    PreferencesDialog dialog(nullptr);
    auto* list = Control<wxListBox>(dialog, "/Muted");
    ASSERT_EQ(2u, list->GetCount());
    EXPECT_EQ(wxNOT_FOUND, list->FindString("miro"));
    EXPECT_EQ(wxID_OK, RunModalWith(dialog, [&] {
                  list->SetSelection(list->FindString("kasa"));
                  ClickButton(dialog, PreferencesDialog::ID_UNMUTE);
                  EXPECT_EQ(1u, list->GetCount());
                  EXPECT_TRUE(MutedPerformers::IsMuted("kasa")) << "only OK unmutes";
                  ClickButton(dialog, wxID_OK);
              }));
    EXPECT_FALSE(MutedPerformers::IsMuted("kasa"));
    EXPECT_EQ(MutedPerformers::Names(), std::vector<wxString>{"Ab&c=D%20e"});
}

// "Test announcement" shows one sample pop-up with the command as the dialog has it (not yet
// saved), while pop-ups are paused too; Recent marks it "test". Cancel keeps the file as it was.
TEST_F(PreferencesDialogTest, TestAnnouncementShowsASampleWithTheDialogsCommand) {
    PopupDialogManager manager;
    manager.SetPaused(true);
    const std::string dir = TestEnvironment::MakeTempDir("test-button");
    const std::string script = dir + "/record";
    wxFFile(script, "w").Write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\n");
    chmod(script.c_str(), 0755);
    PreferencesDialog dialog(nullptr);
    wxWindow* test = dialog.FindWindow(PreferencesDialog::ID_TEST_ANNOUNCEMENT);
    EXPECT_FALSE(test->IsEnabled());
    dialog.SetAnnouncementTester(
        [&manager](PopupSettings::Style style, const AnnouncementSettings& settings) {
            manager.AnnounceTest(style, settings);
        });
    EXPECT_TRUE(test->IsEnabled());
    EXPECT_EQ(
        wxID_CANCEL, RunModalWith(dialog, [&] {
            Control<wxTextCtrl>(dialog, "/Announce/command")->SetValue(script + " {name} {kind}");
            ClickButton(dialog, PreferencesDialog::ID_TEST_ANNOUNCEMENT);
            ClickButton(dialog, wxID_CANCEL);
        }));
    EXPECT_TRUE(WaitFor([&] { return Read(dir + "/args") == "sample\nonline\n"; }));
    const RecentAnnouncements& recent = manager.GetRecent();
    ASSERT_EQ(1u, recent.GetCount());
    EXPECT_EQ("sample", recent.GetNewest(0).name);
    EXPECT_EQ(RecentAnnouncements::TEST, recent.GetNewest(0).outcome);
    EXPECT_EQ("test", RecentAnnouncements::OutcomeText(RecentAnnouncements::TEST));
    int samples = 0;
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* popup = dynamic_cast<PopupDialog*>(window))
            samples += popup->GetUser().GetName() == "sample";
    EXPECT_EQ(1, samples);
    EXPECT_EQ("<absent>", Raw("/Announce/command"));
}
