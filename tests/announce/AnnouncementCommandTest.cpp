// The user's command on an announcement: a real program (a recording script) started without a
// shell, its arguments as the user wrote them with the fields put in, and its failures logged.
#include "ui/announce/AnnouncementCommand.h"
#include "resources/ImageStore.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestEnvironment.h"
#include "ui/announce/AnnouncementSettings.h"

#include <gtest/gtest.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <sys/stat.h>

#include <algorithm>

namespace {

class AnnouncementCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = TestEnvironment::MakeTempDir("command");
        m_script = m_dir + "/record";
        // Each argument on a line of its own; the working folder is where a "touch x" would land.
        wxFFile(m_script, "w")
            .Write("#!/bin/sh\ncd \"$(dirname \"$0\")\"\n"
                   "for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> args\n"
                   "echo end >> args\nexit \"${RECORD_STATUS:-0}\"\n");
        chmod(m_script.c_str(), 0755);
        wxSetWorkingDirectory(m_dir);
    }
    void TearDown() override { TestEnvironment::ResetConfig(); }

    wxString Recorded() const {
        wxString text;
        if (wxFileExists(m_dir + "/args"))
            wxFFile(m_dir + "/args").ReadAll(&text);
        return text;
    }
    // Each run ends its lines with "end".
    bool WaitForRuns(size_t runs) const {
        return WaitFor([&] {
            const std::vector<std::string> lines = SplitLines(Recorded().utf8_string());
            return static_cast<size_t>(std::count(lines.begin(), lines.end(), "end")) >= runs;
        });
    }

    std::string m_dir;
    std::string m_script;
};

// Hostile names reach the program as the text of one argument, whatever the quoting around
// the field; nothing but the program runs. The setting is taken literally: "$HOME" stays.
TEST_F(AnnouncementCommandTest, FieldsArriveLiterallyAndNoShellRuns) {
    ImageStore::GetConfig()->Write(
        "/Announce/command", wxString(m_script) + " --who={name} \"{url}\" '{kind} $HOME' {name}");
    const wxString command = AnnouncementSettings::Read().command;
    AnnouncementCommand runner;
    ASSERT_TRUE(
        runner.Run(command, "a;touch x", "http://p.test/preview.shtml?a;touch x", "online"));
    ASSERT_TRUE(WaitForRuns(1));
    ASSERT_TRUE(runner.Run(command, "$(id) `id` {url}", "u", "free"));
    ASSERT_TRUE(WaitForRuns(2));
    EXPECT_EQ(Recorded(), "--who=a;touch x\n"
                          "http://p.test/preview.shtml?a;touch x\n"
                          "online $HOME\n"
                          "a;touch x\n"
                          "end\n"
                          "--who=$(id) `id` {url}\n"
                          "u\n"
                          "free $HOME\n"
                          "$(id) `id` {url}\n"
                          "end\n");
    EXPECT_FALSE(wxFileExists(m_dir + "/x"));
}

// A program that is not there, or one that fails, is one log line each with the reason; the
// announcement does not wait for either.
TEST_F(AnnouncementCommandTest, AProgramThatCannotStartOrFailsIsLoggedWithTheReason) {
    LogCapture log;
    AnnouncementCommand runner;
    EXPECT_FALSE(runner.Run(m_dir + "/missing {name}", "anna", "u", "online"));
    EXPECT_TRUE(log.Holds("command: " + m_dir + "/missing could not be started: "));
    EXPECT_FALSE(runner.Run("'unclosed {name}", "anna", "u", "online"));
    EXPECT_TRUE(log.Holds("command: 'unclosed {name} cannot be read: "));

    wxSetEnv("RECORD_STATUS", "3");
    ASSERT_TRUE(runner.Run(m_script + " {name}", "anna", "u", "online"));
    wxUnsetEnv("RECORD_STATUS");
    EXPECT_TRUE(WaitFor([&] { return log.Holds("failed: "); }));
    EXPECT_TRUE(log.Holds("command: " + m_script + " failed: ")) << log.messages.back().text;
    EXPECT_TRUE(log.Holds("3"));
    EXPECT_EQ(log.messages.size(), 3u);
    // An empty command is none.
    EXPECT_TRUE(runner.Run("  ", "anna", "u", "online"));
    EXPECT_EQ(log.messages.size(), 3u);
}

} // namespace
