// The machine's sleep as logind announces it: a stand-in that owns org.freedesktop.login1 on a
// private bus in the place of the system bus, emitting PrepareForSleep, against the real frame,
// refresh and history file.
#include "core/ConnectionStatus.h"
#include "core/LinkState.h"
#include "history/HistoryStore.h"
#include "history/SqliteConnection.h"
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace frametest;

namespace {

// A bus of the test's own as the system bus (DBUS_SYSTEM_BUS_ADDRESS), on which this owns
// logind's name and announces sleeps and wakes.
class LogindStandIn {
public:
    LogindStandIn() {
        const std::string dir = TestEnvironment::MakeTempDir("system-bus");
        std::ofstream(dir + "/bus.conf")
            << "<busconfig><type>system</type><listen>unix:path=" << dir << "/socket</listen>"
            << "<auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
               "<allow own=\"*\"/><allow send_destination=\"*\"/><allow send_type=\"signal\"/>"
               "<allow receive_sender=\"*\"/>"
               "</policy></busconfig>\n";
        int fds[2];
        if (pipe(fds) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            // A test that dies must not leave its bus running.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            const std::string config = "--config-file=" + dir + "/bus.conf";
            execlp("dbus-daemon", "dbus-daemon", config.c_str(), "--nofork", "--print-address",
                   nullptr);
            _exit(127);
        }
        close(fds[1]);
        FILE* out = fdopen(fds[0], "r");
        char line[512] = {};
        if (!out || !std::fgets(line, sizeof line, out))
            return;
        std::fclose(out);
        std::string address(line);
        address.erase(address.find_last_not_of("\n") + 1);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        m_connection = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        if (!m_connection)
            return;
        GVariant* reply = g_dbus_connection_call_sync(
            m_connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", "org.freedesktop.login1", 4u), nullptr,
            G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        if (reply)
            g_variant_unref(reply);
        m_owned = reply != nullptr;
    }
    ~LogindStandIn() {
        if (m_connection)
            g_object_unref(m_connection);
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    bool IsUp() const { return m_owned; }
    void PrepareForSleep(bool sleeping) {
        g_dbus_connection_emit_signal(m_connection, nullptr, "/org/freedesktop/login1",
                                      "org.freedesktop.login1.Manager", "PrepareForSleep",
                                      g_variant_new("(b)", sleeping), nullptr);
        g_dbus_connection_flush_sync(m_connection, nullptr, nullptr);
    }

private:
    pid_t m_pid = -1;
    GDBusConnection* m_connection = nullptr;
    bool m_owned = false;
};

std::int64_t Query(const char* sql) {
    SqliteConnection db;
    wxString why;
    if (!db.Open(HistoryStore::DefaultPath(), SQLITE_OPEN_READONLY, &why))
        return -1;
    return db.QueryInt(sql, -1);
}

size_t ListRequests() {
    size_t count = 0;
    for (const std::string& line : TestSite().LogLines())
        count += line.find("online_performers.js") != std::string::npos;
    return count;
}

// A list whose download the sleep cuts is no failure and no list; nothing is asked while the
// machine sleeps; at the wake the refresh comes at once. The history's watch ends at the last
// list before the sleep, with the sessions open then, and a new one starts at the wake.
TEST(SleepTest, NothingIsAskedOrCountedAsleepAndTheWatchEndsAtTheLastListBeforeTheSleep) {
    LogindStandIn logind;
    ASSERT_TRUE(logind.IsUp());
    FreshSettings();
    ConnectionStatus::Reset();
    ImageStore::GetConfig()->Write("/History/scope", "all");
    MainFrame* frame = OpenFrame();
    ASSERT_TRUE(WaitFor([] { return Query("SELECT count(*) FROM sessions") > 0; }, 10000));

    // The next download hangs until the request's time-out, as one that a sleep cut would.
    TestSite().Get("/_control/fault?path=%2Finclude%2Fjs&mode=delay&ms=6000");
    const size_t before = ListRequests();
    ASSERT_TRUE(WaitFor([&] { return ListRequests() > before; }, 5000));
    const std::int64_t sleptAt = wxDateTime::Now().GetTicks();
    logind.PrepareForSleep(true);
    ASSERT_TRUE(WaitFor([] { return LinkState::Get().asleep; }, 5000));
    const size_t asleep = ListRequests();
    PumpEvents(5000);
    EXPECT_EQ(asleep, ListRequests()) << "asked while asleep";
    EXPECT_FALSE(ConnectionStatus::Get().lastFailure.IsValid())
        << ConnectionStatus::Get().failure.GetText();

    TestSite().Get("/_control/clear");
    ImageStore::GetConfig()->Write("/System/syncinterval", 60L);
    logind.PrepareForSleep(false);
    ASSERT_TRUE(WaitFor([&] { return ListRequests() > asleep; }, 3000)) << "no refresh at once";
    ASSERT_TRUE(WaitFor([] { return Query("SELECT count(*) FROM watches") == 2; }, 5000));
    // The lists came a second apart until the one the sleep cut.
    const std::int64_t watchEnd = Query("SELECT min(until) FROM watches");
    EXPECT_LE(watchEnd, sleptAt);
    EXPECT_GE(watchEnd, sleptAt - 3);
    EXPECT_EQ(0, Query("SELECT count(*) FROM sessions s JOIN watches w ON w.id = s.watch"
                       " WHERE w.until = (SELECT min(until) FROM watches)"
                       " AND (s.until IS NULL OR s.until > w.until)"));
    EXPECT_GT(Query("SELECT count(*) FROM sessions WHERE start >"
                    " (SELECT min(until) FROM watches)"),
              0);
    CloseFrame(frame);
}

} // namespace
