// The announcement's sound through libcanberra and ALSA, into a file sink that the test's own
// ALSA configuration makes the default device; and a device that is not there.
#include "ui/announce/AnnouncementSound.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/utils.h>

namespace {

class AnnouncementSoundTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ms_sink = TestEnvironment::MakeTempDir("sound") + "/sink.raw";
        wxFFile(TestEnvironment::Home() + "/.asoundrc", "w")
            .Write("pcm.!default { type file slave.pcm \"null\" file \"" + ms_sink +
                   "\" format \"raw\" }\npcm.nocard { type hw card 31 }\n");
        wxSetEnv("CANBERRA_DRIVER", "alsa");
    }
    static void TearDownTestSuite() { wxUnsetEnv("CANBERRA_DRIVER"); }
    void SetUp() override {
        if (wxFileExists(ms_sink))
            wxRemoveFile(ms_sink);
    }
    static wxULongLong Written() {
        return wxFileExists(ms_sink) ? wxFileName::GetSize(ms_sink) : wxULongLong(0);
    }

    static std::string ms_sink;
};

std::string AnnouncementSoundTest::ms_sink;

// The theme's "message-new-instant" and a file of the user's reach the device; a file that is
// no sound is one log line, and the next sound plays all the same.
TEST_F(AnnouncementSoundTest, TheThemesSoundAndAUsersFilePlayAndABadFileIsOneLogLine) {
    LogCapture log;
    AnnouncementSound sound;
    ASSERT_TRUE(sound.Play(AnnouncementSettings::SOUND_THEME, wxString()));
    ASSERT_TRUE(WaitFor([] { return Written() > 0; }));

    const wxString bad = TestEnvironment::MakeTempDir("sound") + "/not-a-sound.oga";
    wxFFile(bad, "w").Write("no sound in here");
    EXPECT_FALSE(sound.Play(AnnouncementSettings::SOUND_FILE, bad));
    EXPECT_EQ(log.messages.size(), 1u);
    EXPECT_TRUE(log.Holds(("sound: " + bad + " cannot be played: ").utf8_string()));

    wxRemoveFile(ms_sink);
    ASSERT_TRUE(sound.Play(AnnouncementSettings::SOUND_FILE,
                           "/usr/share/sounds/freedesktop/stereo/bell.oga"));
    EXPECT_TRUE(WaitFor([] { return Written() > 0; }));
    EXPECT_EQ(log.messages.size(), 1u);
    EXPECT_TRUE(sound.Play(AnnouncementSettings::SOUND_OFF, bad)) << "off is silence, no fault";
}

// Without a device the sound is one log line with the reason, and the program goes on; the
// second sound of a flood within a second is not even tried.
TEST_F(AnnouncementSoundTest, NoDeviceIsOneLogLine) {
    wxSetEnv("CANBERRA_DEVICE", "nocard");
    LogCapture log;
    {
        AnnouncementSound sound;
        sound.PlayForAnnouncement(AnnouncementSettings::SOUND_THEME, wxString());
        sound.PlayForAnnouncement(AnnouncementSettings::SOUND_THEME, wxString());
    }
    wxUnsetEnv("CANBERRA_DEVICE");
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0].text.rfind("sound: ", 0), 0u) << log.messages[0].text;
    EXPECT_FALSE(wxFileExists(ms_sink));
}

} // namespace
