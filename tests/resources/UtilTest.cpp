#include "resources/Util.h"
#include "tests/resources/ScopedProgramPath.h"
#include "tests/support/BrowserRecorder.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

std::vector<std::string> Errors(const LogCapture& log) {
    std::vector<std::string> errors;
    for (const auto& message : log.messages)
        if (message.level <= wxLOG_Error)
            errors.push_back(message.text);
    return errors;
}

TEST(UtilTest, FileNamesFollowTheProgramsFirstArgument) {
    {
        ScopedProgramPath program("/opt/Some Apps/viewer");
        EXPECT_EQ(Util::GetApplicationFileName().GetFullPath(), "/opt/Some Apps/viewer");
        EXPECT_EQ(Util::GetPluginFileName().GetFullPath(), "/opt/Some Apps/viewer.so");
    }
    {
        // A bare name stays relative, resolved later against the working directory.
        ScopedProgramPath program("viewer.bin");
        EXPECT_TRUE(Util::GetApplicationFileName().IsRelative());
        EXPECT_EQ(Util::GetApplicationFileName().GetFullPath(), "viewer.bin");
        EXPECT_EQ(Util::GetPluginFileName().GetFullPath(), "viewer.so");
    }
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The user's choice in mimeapps.list wins over defaults.list, its command runs as written (a
// quoted path with a space and capitals), and the address arrives as it is.
TEST(UtilTest, LaunchBrowserStartsTheUsersChosenBrowserWithTheAddressAsItIs) {
    BrowserRecorder recorder;
    const std::string address = "http://127.0.0.1:8080/preview.shtml?Anna_B";
    EXPECT_TRUE(Util::LaunchBrowser(address));
    ASSERT_TRUE(recorder.WaitForLaunches(1));
    EXPECT_EQ(recorder.Launches(), std::vector<std::string>{address});

    // "file://" inside an address is part of it.
    recorder.Clear();
    const std::string forwarding = "http://host/go?to=file://x";
    EXPECT_TRUE(Util::LaunchBrowser(forwarding));
    ASSERT_TRUE(recorder.WaitForLaunches(1));
    EXPECT_EQ(recorder.Launches(), std::vector<std::string>{forwarding});
}

// The launcher's X11 back-end is not handed on to the browser; a back-end the user chose is.
TEST(UtilTest, TheBrowserGetsTheSessionsDisplayBackEnd) {
    BrowserRecorder recorder;
    {
        ScopedEnv backEnd("GDK_BACKEND", "x11");
        ScopedEnv marker("RODUVIRIZ_X11_BY_LAUNCHER", "1");
        EXPECT_TRUE(Util::LaunchBrowser("http://127.0.0.1/a"));
        ASSERT_TRUE(recorder.WaitForLaunches(1));
    }
    std::vector<std::string> environment = recorder.LastEnvironment();
    EXPECT_FALSE(Contains(environment, "GDK_BACKEND=x11"));
    EXPECT_FALSE(Contains(environment, "RODUVIRIZ_X11_BY_LAUNCHER=1"));
    EXPECT_TRUE(Contains(environment, "DISPLAY=" + std::string(std::getenv("DISPLAY"))));

    ScopedEnv backEnd("GDK_BACKEND", "x11");
    EXPECT_TRUE(Util::LaunchBrowser("http://127.0.0.1/b"));
    ASSERT_TRUE(recorder.WaitForLaunches(2));
    EXPECT_TRUE(Contains(recorder.LastEnvironment(), "GDK_BACKEND=x11"));
}

TEST(UtilTest, WithoutAUsableBrowserNothingStartsAndTheErrorIsLogged) {
    BrowserRecorder recorder;
    {
        ASSERT_TRUE(recorder.Choose(BrowserRecorder::Choice::NOTHING));
        LogCapture log;
        EXPECT_FALSE(Util::LaunchBrowser("http://127.0.0.1/preview.shtml?anna"));
        EXPECT_EQ(Errors(log), std::vector<std::string>{"can not get filetype for html"});
    }
    {
        // The chosen program runs in a terminal, and there is none to be found.
        ASSERT_TRUE(recorder.Choose(BrowserRecorder::Choice::TERMINAL_PROGRAM));
        ScopedEnv path("PATH", TestEnvironment::MakeTempDir("noterminal"));
        LogCapture log;
        EXPECT_FALSE(Util::LaunchBrowser("http://127.0.0.1/preview.shtml?anna"));
        // What failed: the program found, and why it did not start.
        const std::vector<std::string> errors = Errors(log);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].rfind("The web browser \"", 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find("Record Browser\" %u could not be started: "), std::string::npos)
            << errors[0];
        EXPECT_NE(errors[0].find("terminal"), std::string::npos) << errors[0];
    }
    EXPECT_TRUE(recorder.Launches().empty());
}

} // namespace
