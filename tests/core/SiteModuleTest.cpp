#include "core/KestovaSite.h"
#include "resources/ImageStore.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/fileconf.h>

#include <sys/stat.h>

namespace {

int FileMode(const wxString& path) {
    struct stat info {};
    if (::stat(path.fn_str(), &info) != 0)
        return -1;
    return static_cast<int>(info.st_mode & 0777);
}

} // namespace

// The toolkit created the module at start-up, as a host's plug-in load would.
TEST(SiteModuleTest, ModuleWasCreatedAndNamedTheApplication) {
    ASSERT_NE(dynamic_cast<KestovaSite*>(Site::GetInstance()), nullptr);
    EXPECT_EQ(wxAppConsole::GetInstance()->GetAppName(), "Roduviriz");
    EXPECT_EQ(wxAppConsole::GetInstance()->GetVendorName(), "Kestova");
}

TEST(SiteModuleTest, SettingsFileIsPrivate) {
    TestEnvironment::ResetConfig();
    const wxString path = wxFileConfig::GetLocalFileName("Roduviriz");
    ASSERT_FALSE(wxFileName::FileExists(path));
    ImageStore::GetConfig()->Write("/password", "secret");
    ImageStore::GetConfig()->Flush();
    ASSERT_TRUE(wxFileName::FileExists(path));
    EXPECT_EQ(FileMode(path), 0600);

    // A file left readable by an older version is closed up when next opened.
    ConfigAccess::Release();
    ASSERT_EQ(::chmod(path.fn_str(), 0644), 0);
    EXPECT_EQ(ImageStore::GetConfig()->Read("/password", wxString()), "secret");
    EXPECT_EQ(FileMode(path), 0600);
    TestEnvironment::ResetConfig();
}
