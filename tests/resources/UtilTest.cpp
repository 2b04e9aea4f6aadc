#include "resources/Util.h"
#include "tests/resources/LogCapture.h"
#include "tests/resources/ScopedProgramPath.h"
#include "tests/support/BrowserRecorder.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/mimetype.h>

#include <cstdlib>
#include <memory>
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

TEST(UtilTest, LaunchBrowserHandsTheExactAddressToTheBrowser) {
    BrowserRecorder recorder;
    const std::string address = "http://127.0.0.1:8080/preview.shtml?Anna_B";
    EXPECT_TRUE(Util::LaunchBrowser(address));
    ASSERT_TRUE(recorder.WaitForLaunches(1));
    EXPECT_EQ(recorder.Launches()[0], address);

    // "file://" goes wherever it stands in the command.
    recorder.Clear();
    EXPECT_TRUE(Util::LaunchBrowser("file:///tmp/page.html"));
    ASSERT_TRUE(recorder.WaitForLaunches(1));
    EXPECT_EQ(recorder.Launches()[0], "/tmp/page.html");

    recorder.Clear();
    EXPECT_TRUE(Util::LaunchBrowser("http://host/go?to=file://x"));
    ASSERT_TRUE(recorder.WaitForLaunches(1));
    EXPECT_EQ(recorder.Launches()[0], "http://host/go?to=x");
}

// The shared MIME database always maps "html" on this platform; what the user can lack is a
// program for it.
TEST(UtilTest, WithoutAProgramForHtmlNothingStartsAndTheErrorIsLogged) {
    BrowserRecorder recorder;
    // Away from the recorder's desktop entry; the system must offer no program of its own.
    ScopedEnv home("XDG_DATA_HOME", TestEnvironment::MakeTempDir("noapps"));
    {
        wxMimeTypesManager manager;
        std::unique_ptr<wxFileType> type(manager.GetFileTypeFromExtension("html"));
        wxString command;
        if (type && type->GetOpenCommand(&command, wxFileType::MessageParameters("x", "")))
            GTEST_SKIP() << "this system opens html with: " << command;
    }
    LogCapture log;
    EXPECT_FALSE(Util::LaunchBrowser("http://127.0.0.1/preview.shtml?anna"));
    EXPECT_EQ(Errors(log), std::vector<std::string>{"can not get command for html"});
    EXPECT_FALSE(recorder.WaitForLaunches(1, 500));
}

} // namespace
