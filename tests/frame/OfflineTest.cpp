// The machine going offline and coming back, for real: the test runs in a network namespace
// of its own (tests/support/own-network) and the site in a second one behind a veth pair, so
// that the link taken down is what the network monitor and the sockets both see.
#include "core/ConnectionStatus.h"
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestEnvironment.h"
#include "ui/frame/ConnectionWindow.h"

#include <gtest/gtest.h>
#include <wx/stattext.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

using namespace frametest;

namespace {

class OfflineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("ROD_SITE_NETNS"))
            GTEST_SKIP() << "runs inside the namespaces of own-network";
        FreshSettings();
        ConnectionStatus::Reset();
        m_site = std::make_unique<SiteSimProcess>(
            std::vector<std::string>{"--performers", "12", "--tick", "0", "--seed", "11"},
            std::getenv("ROD_SITE_NETNS"), std::getenv("ROD_SITE_ADDRESS"));
        m_site->UseAsSite();
    }
    void TearDown() override {
        SetLink(true);
        CloseAllWindows();
    }

    static void SetLink(bool up) {
        const std::string command =
            std::string("ip link set ") + std::getenv("ROD_LINK") + (up ? " up" : " down");
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static std::string Network(ConnectionWindow* window) {
        return Control<wxStaticText>(*window, "network")->GetLabel().utf8_string();
    }
    size_t Requests() const { return m_site->LogLines().size(); }
    size_t Lines(const LogCapture& log, const std::string& text) const {
        size_t count = 0;
        for (const auto& message : log.messages)
            count += message.text.find(text) != std::string::npos;
        return count;
    }

    std::unique_ptr<SiteSimProcess> m_site;
};

// Offline, the refresh asks nothing and counts no failure, the window says since when, the
// log says it once; back online, the refresh comes at once, not after the interval.
TEST_F(OfflineTest, OfflineNothingFailsAndTheRefreshComesAtOnceWhenTheNetworkIsBack) {
    LogCapture log;
    MainFrame* frame = OpenFrame();
    SendMenu(frame, MainFrame::ID_CONNECTION);
    ConnectionWindow* window = frame->GetConnectionWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitFor([&] { return Requests() >= 2; }, 10000));
    EXPECT_EQ(Network(window), "Online");

    SetLink(false);
    EXPECT_TRUE(WaitFor([&] { return Network(window).find("Offline since ") == 0; }, 5000))
        << Network(window);
    // Ten refreshes of a second each would have given up.
    PumpEvents(4000);
    EXPECT_FALSE(ConnectionStatus::Get().lastFailure.IsValid())
        << ConnectionStatus::Get().failure.GetText();
    EXPECT_EQ(1u, Lines(log, "network: offline"));
    // Nothing was asked: at most a download under way as the link went failed unreachable.
    EXPECT_LE(Lines(log, "not counted"), 1u);

    // With an interval of a minute, only the return of the network brings the next refresh.
    ImageStore::GetConfig()->Write("/System/syncinterval", 60L);
    const size_t before = Requests();
    SetLink(true);
    ASSERT_TRUE(WaitFor([&] { return Requests() > before; }, 3000)) << "no refresh at once";
    EXPECT_TRUE(WaitFor([&] { return Network(window) == "Online"; }, 5000)) << Network(window);
    EXPECT_EQ(1u, Lines(log, "network: back online"));
    // The regular wait follows: no second request right after.
    PumpEvents(2000);
    EXPECT_EQ(before + 1, Requests());
    EXPECT_FALSE(ConnectionStatus::Get().lastFailure.IsValid());
}

} // namespace
