#include "resources/EventLog.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The program's log writing into a state folder of the test's own; the host's target (a
// capture) stands behind it. The standard error, which gets every line too, goes to nothing.
class EventLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_state = TestEnvironment::MakeTempDir("state");
        setenv("XDG_STATE_HOME", m_state.c_str(), 1);
        m_stderr = dup(STDERR_FILENO);
        const int nothing = open("/dev/null", O_WRONLY);
        dup2(nothing, STDERR_FILENO);
        close(nothing);
        EventLog::Install();
    }
    void TearDown() override {
        EventLog::Uninstall();
        dup2(m_stderr, STDERR_FILENO);
        close(m_stderr);
        unsetenv("XDG_STATE_HOME");
    }

    // The file's lines without their time stamps ("2026-12-09 16:00:01 ").
    static std::vector<std::string> Lines(const std::string& path) {
        std::vector<std::string> lines;
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line.substr(20));
        return lines;
    }

    LogCapture m_host;
    std::string m_state;
    int m_stderr = -1;
};

// A run of one message at one place is one line and, when the run ends, its count; another
// place's lines do not end it. Secrets never reach the file, and errors still reach the host.
TEST_F(EventLogTest, RunsFoldPerPlaceAndSecretsAreMasked) {
    EXPECT_EQ(EventLog::FilePath(), m_state + "/roduviriz/roduviriz.log");
    for (int i = 0; i < 3; ++i) {
        wxLogWarning("performer list: connection refused");
        wxLogWarning("thumbnail of anna: HTTP 404 from img.test");
    }
    wxLogWarning("performer list: back after 3 failures");
    wxLogWarning("login check: GET /zirovudaroro?username=fan&password=s3cr%21t&x=1 through "
                 "http://rod:pw@proxy.test:3128/ with Authorization: Basic Zm9vOmJhcg==");
    wxLogError("can not get command for html");
    // A password as typed, with ":" and "@" in it, in curl's words.
    wxLogWarning("proxy: Unsupported proxy syntax in 'http://rod:s3:cr@t@127.0.0.1:9'");
    // A run of two is a run too.
    wxLogWarning("update: HTTP 502 from update.test");
    wxLogWarning("update: HTTP 502 from update.test");
    EventLog::Uninstall();

    EXPECT_EQ(Lines(EventLog::FilePath().ToStdString()),
              (std::vector<std::string>{
                  "performer list: connection refused",
                  "thumbnail of anna: HTTP 404 from img.test",
                  "performer list: repeated 2 times",
                  "performer list: back after 3 failures",
                  "login check: GET /zirovudaroro?username=fan&password=***&x=1 through "
                  "http://***@proxy.test:3128/ with Authorization: ***",
                  "roduviriz: can not get command for html",
                  "proxy: Unsupported proxy syntax in 'http://***@127.0.0.1:9'",
                  "update: HTTP 502 from update.test",
                  "thumbnail of anna: repeated 2 times",
                  "update: repeated 1 times",
              }));
    ASSERT_EQ(m_host.messages.size(), 1u) << "only errors go on to the host's target";
    EXPECT_EQ(m_host.messages[0].text, "can not get command for html");
}

// The file never passes its cap: a line that would is written to a new file, and the full one
// becomes the one old file, replacing an older one.
TEST_F(EventLogTest, TheFileStaysUnderItsCapWithOneOldFile) {
    // Lines of 1 KiB, each its own (no run to fold): the cap holds exactly 1024 of them.
    const auto line = [](int n) {
        const std::string place = "cap";
        std::string text = std::to_string(n);
        text.resize(1024 - 20 - place.size() - 2 - 1, '.');
        wxLogWarning("%s: %s", place, text);
    };
    const wxString file = EventLog::FilePath(), old = file + ".1";
    for (int n = 1; n <= 1024; ++n)
        line(n);
    EXPECT_EQ(wxFileName::GetSize(file), wxULongLong(EventLog::MAX_FILE_BYTES));
    EXPECT_FALSE(wxFileExists(old));
    line(1025);
    EXPECT_EQ(wxFileName::GetSize(file), wxULongLong(1024));
    EXPECT_EQ(wxFileName::GetSize(old), wxULongLong(EventLog::MAX_FILE_BYTES));
    for (int n = 1026; n <= 2049; ++n)
        line(n);
    EXPECT_EQ(Lines(old.ToStdString()).front().substr(0, 9), "cap: 1025");
    EXPECT_EQ(Lines(file.ToStdString()).front().substr(0, 9), "cap: 2049");
    EXPECT_FALSE(wxFileExists(file + ".2"));
}

// A file that an earlier run left near the cap counts from its size: the first line that would
// pass the cap starts a new file.
TEST_F(EventLogTest, AFileNearItsCapFromAnEarlierRunCountsItsSize) {
    const wxString file = EventLog::FilePath(), old = file + ".1";
    ASSERT_TRUE(wxFileName::Mkdir(EventLog::Folder(), 0700, wxPATH_MKDIR_FULL));
    const size_t earlier = EventLog::MAX_FILE_BYTES - 100;
    std::ofstream(file.ToStdString()) << std::string(earlier - 1, '.') << "\n";
    wxLogWarning("cap: %s", std::string(100, '.'));
    EXPECT_EQ(wxFileName::GetSize(old), wxULongLong(earlier));
    EXPECT_EQ(wxFileName::GetSize(file), wxULongLong(20 + 5 + 100 + 1));
}

} // namespace
