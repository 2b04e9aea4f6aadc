// The style "desktop": announcements as messages of a notification service that the test runs
// on its private session bus, with the pop-up manager's places, summaries and pause.
#include "tests/popup/PopupManagerFixture.h"

#include "resources/ImageStore.h"
#include "tests/support/BrowserRecorder.h"
#include "tests/support/TestBus.h"
#include "ui/popup/NotificationPresenter.h"
#include "ui/popup/PopupSummary.h"
#include "ui/popup/RecentWindow.h"
#include "ui/popup/ThumbnailQueue.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

const char SERVICE[] = "org.freedesktop.Notifications";
const char PATH[] = "/org/freedesktop/Notifications";
const char XML[] = R"xml(<node><interface name="org.freedesktop.Notifications">
  <method name="Notify"><arg type="s" direction="in"/><arg type="u" direction="in"/>
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
    <arg type="as" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
    <arg type="u" direction="out"/></method>
  <method name="CloseNotification"><arg type="u" direction="in"/></method>
  <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
  <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
</interface></node>)xml";

// A Notify call as the service got it.
struct Message {
    unsigned id = 0;
    unsigned replaces = 0;
    std::string app, summary, body, desktopEntry;
    std::vector<std::string> actions;
    int timeout = 0;
    int imageWidth = 0, imageHeight = 0;
};

class DesktopNotificationTest : public PopupDialogManagerTest {
protected:
    void SetUp() override {
        PopupDialogManagerTest::SetUp();
        ImageStore::GetConfig()->Write("/PopupDialog/style", "desktop");
        PopupPlaces::SetWorkAreaProvider([] { return wxRect(0, 0, 1024, 740); }); // 4 places
        ASSERT_TRUE(m_bus.Export(PATH, XML, [this](const std::string& method, GVariant* call) {
            return Answer(method, call);
        }));
        ASSERT_TRUE(m_bus.Own(SERVICE));
        ASSERT_TRUE(WaitFor([&] { return m_manager.GetNotificationPresenter()->IsAvailable(); }));
    }

    GVariant* Answer(const std::string& method, GVariant* call) {
        if (method != "Notify")
            return nullptr;
        Message message;
        const char *app, *icon, *summary, *body;
        GVariantIter* actions;
        GVariant* hints;
        g_variant_get(call, "(&su&s&s&sas@a{sv}i)", &app, &message.replaces, &icon, &summary, &body,
                      &actions, &hints, &message.timeout);
        message.app = app;
        message.summary = summary;
        message.body = body;
        const char* action;
        while (g_variant_iter_next(actions, "&s", &action))
            message.actions.push_back(action);
        g_variant_iter_free(actions);
        const char* entry = "";
        g_variant_lookup(hints, "desktop-entry", "&s", &entry);
        message.desktopEntry = entry;
        if (GVariant* image = g_variant_lookup_value(hints, "image-data", nullptr)) {
            g_variant_get_child(image, 0, "i", &message.imageWidth);
            g_variant_get_child(image, 1, "i", &message.imageHeight);
            g_variant_unref(image);
        }
        g_variant_unref(hints);
        message.id = message.replaces ? message.replaces : ++m_lastId;
        m_messages.push_back(message);
        return g_variant_new("(u)", message.id);
    }

    void Emit(const char* signal, GVariant* parameters) {
        m_bus.Emit(PATH, SERVICE, signal, parameters);
    }
    bool MessagesAre(size_t count) {
        return WaitFor([&] { return m_messages.size() >= count; }) && m_messages.size() == count;
    }
    // The summary messages sent, by their headline.
    std::vector<std::string> Summaries() const {
        std::vector<std::string> headlines;
        for (const Message& message : m_messages)
            if (message.body.find("NOW ") != 0)
                headlines.push_back(message.summary);
        return headlines;
    }

    TestBus m_bus;
    std::vector<Message> m_messages;
    unsigned m_lastId = 0;
};

} // namespace

// No window of our own: a message at once, replaced by one with the thumbnail when it has come
// (no more time on screen than the pop-up duration); its click opens the preview page.
TEST_F(DesktopNotificationTest, EachAnnouncementIsAMessageThatGetsItsThumbnail) {
    BrowserRecorder browser;
    MakeKnown("sela");
    ImageStore::GetConfig()->Write("/PopupDialog/duration", 7);
    EXPECT_EQ(Added("sela", ONLINE_FREE_PUBLIC), List{});
    EXPECT_EQ(Changed("pava", ONLINE_BUSY_PUBLIC, ONLINE_FREE_PUBLIC), List{});
    ASSERT_TRUE(WaitFor([] { return ThumbnailQueue::Running() + ThumbnailQueue::Waiting() == 0; }));
    // The site has no picture of pava: that message stays as it is.
    ASSERT_TRUE(MessagesAre(3));
    const Message& sela = m_messages[0];
    EXPECT_EQ(sela.app, "Roduviriz");
    EXPECT_EQ(sela.replaces, 0u);
    EXPECT_EQ(sela.summary, "sela");
    EXPECT_EQ(sela.body, "NOW ONLINE");
    EXPECT_EQ(sela.actions.at(0), "default");
    EXPECT_EQ(sela.desktopEntry, "roduviriz");
    EXPECT_EQ(sela.timeout, 7000);
    EXPECT_EQ(sela.imageWidth, 0);
    EXPECT_EQ(m_messages[1].summary, "pava");
    EXPECT_EQ(m_messages[1].body, "NOW FREE");
    const Message& thumbnail = m_messages[2];
    EXPECT_EQ(thumbnail.replaces, sela.id);
    EXPECT_EQ(thumbnail.body, "NOW ONLINE");
    EXPECT_EQ(wxSize(thumbnail.imageWidth, thumbnail.imageHeight), PopupDialog::THUMBNAIL_SIZE);
    EXPECT_GT(thumbnail.timeout, 0);
    EXPECT_LE(thumbnail.timeout, 7000);
    EXPECT_TRUE(LivePopups().empty());
    EXPECT_EQ(m_manager.GetRecent().GetNewest(1).outcome, RecentAnnouncements::SHOWN);

    Emit("ActionInvoked", g_variant_new("(us)", sela.id, "default"));
    ASSERT_TRUE(browser.WaitForLaunches(1));
    EXPECT_EQ(browser.Launches()[0], "http://" + ms_site->HostPort() + "/preview.shtml?sela");
}

// As many messages up as pop-ups fit (4 here); the rest wait for a place, which a message frees
// when the service closes it. Four waiting while every place is taken still wait; a fifth is
// too many, and all that wait go into one summary message, whose click brings the main window
// back.
TEST_F(DesktopNotificationTest, MessagesTakeThePopupsPlacesAndAFloodIsOneSummary) {
    MakeFrame(false, false);
    ImageStore::GetConfig()->Write("/PopupDialog/duration", 7);
    for (int i = 0; i < 8; ++i)
        Added(wxString::Format("wave%d", i), ONLINE_FREE_PUBLIC);
    ASSERT_TRUE(MessagesAre(4));
    EXPECT_EQ(m_manager.GetWaitingCount(), 4u);
    // One that waited a while for its place still has the whole duration once it shows.
    PumpEvents(1100);
    Emit("NotificationClosed", g_variant_new("(uu)", m_messages[0].id, 2u));
    ASSERT_TRUE(MessagesAre(5));
    EXPECT_EQ(m_messages[4].summary, "wave4");
    EXPECT_EQ(m_messages[4].timeout, 7000);

    Added("wave8", ONLINE_FREE_PUBLIC);
    EXPECT_EQ(m_manager.GetWaitingCount(), 4u);
    Added("wave9", ONLINE_FREE_PUBLIC);
    ASSERT_TRUE(MessagesAre(6));
    EXPECT_EQ(Summaries(), std::vector<std::string>{"5 more came online"});
    EXPECT_EQ(m_messages[5].body, "wave5\nwave6\nwave7\n…");
    EXPECT_EQ(m_manager.GetWaitingCount(), 0u);
    EXPECT_EQ(m_manager.GetSummary(), nullptr) << "no summary window";

    m_frame->Hide();
    Emit("ActionInvoked", g_variant_new("(us)", m_messages[5].id, "default"));
    EXPECT_TRUE(WaitFor([&] { return m_frame->IsShown(); }));
}

// Nothing while paused, one summary message at its end (its click opens the "Recent" window);
// and with the service gone, the own pop-ups again.
TEST_F(DesktopNotificationTest, PauseEndsInOneSummaryAndWithoutTheServiceThePopupsReturn) {
    m_manager.SetPaused(true);
    Added("hush1", ONLINE_FREE_PUBLIC);
    Changed("hush2", ONLINE_BUSY_PUBLIC, ONLINE_FREE_PUBLIC);
    m_manager.SetPaused(false);
    ASSERT_TRUE(MessagesAre(1));
    EXPECT_EQ(Summaries(), std::vector<std::string>{"2 came online or became free meanwhile"});
    Emit("ActionInvoked", g_variant_new("(us)", m_messages[0].id, "default"));
    EXPECT_TRUE(WaitFor([&] { return m_manager.GetRecentWindow() != nullptr; }));

    m_bus.Disown(SERVICE);
    ASSERT_TRUE(WaitFor([&] { return !m_manager.GetNotificationPresenter()->IsAvailable(); }));
    EXPECT_EQ(Added("loud", ONLINE_FREE_PUBLIC), (List{{"loud", PopupDialog::KIND_ONLINE}}));
    EXPECT_EQ(m_messages.size(), 1u);
}

namespace {

// The usual desktop: the daemon is not running until someone asks for it, and the bus starts
// it from its service file.
class ActivatedNotificationTest : public PopupDialogManagerTest {
protected:
    void SetUp() override {
        const char* services = std::getenv("ROD_TEST_BUS_SERVICES");
        ASSERT_NE(services, nullptr) << "no private bus of gui-session";
        m_serviceFile = std::string(services) + "/notifications.service";
        m_record = TestEnvironment::MakeTempDir("notifications") + "/record";
        std::ofstream(m_serviceFile)
            << "[D-BUS Service]\nName=" << SERVICE << "\nExec=" << TestEnvironment::BinDir()
            << "/notification_service " << m_record << "\n";
        PopupDialogManagerTest::SetUp();
        ImageStore::GetConfig()->Write("/PopupDialog/style", "desktop");
    }
    void TearDown() override {
        // Later tests play the service themselves: this one must neither run nor be started.
        std::remove(m_serviceFile.c_str());
        if (GVariant* pid =
                m_bus.Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "GetConnectionUnixProcessID", g_variant_new("(s)", SERVICE))) {
            guint32 process = 0;
            g_variant_get(pid, "(u)", &process);
            g_variant_unref(pid);
            kill(static_cast<pid_t>(process), SIGTERM);
        }
        EXPECT_TRUE(WaitFor([&] { return !m_manager.GetNotificationPresenter()->IsAvailable(); }));
        PopupDialogManagerTest::TearDown();
    }
    std::string Recorded() const {
        std::ifstream in(m_record);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    TestBus m_bus;
    std::string m_serviceFile, m_record;
};

} // namespace

TEST_F(ActivatedNotificationTest, TheBusStartsTheServiceAndTheMessageReachesIt) {
    ASSERT_TRUE(
        WaitFor([&] { return m_manager.GetNotificationPresenter()->IsAvailable(); }, 10000));
    EXPECT_EQ(Added("awoken", ONLINE_FREE_PUBLIC), List{});
    // Its thumbnail may follow in a second message.
    EXPECT_TRUE(WaitFor([&] { return Recorded().rfind("awoken\n", 0) == 0; })) << Recorded();
}
