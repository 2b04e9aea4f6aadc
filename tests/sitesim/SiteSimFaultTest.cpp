// Faults scripted through the simulated site's control path: what goes on the wire, for how
// many requests, and for which paths.
#include "tests/sitesim/RawHttp.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/stopwatch.h>

#include <algorithm>
#include <fstream>

namespace {

const char kScript[] = "/include/js/online_performers.js";

class SiteSimFault : public ::testing::Test {
protected:
    SiteSimProcess site{{"--performers", "20", "--tick", "0", "--seed", "9"}};

    RawReply Get(const std::string& target = kScript) {
        return RawHttp::Get(site.Port(), target, site.HostPort());
    }
    void Fault(const std::string& query) {
        ASSERT_EQ(200, site.Get("/_control/fault?" + query)) << query;
    }
};

} // namespace

TEST_F(SiteSimFault, ErrorsAndRefusalsLastTheirCountOrUntilCleared) {
    Fault("path=%2Finclude%2Fjs&mode=500&count=2");
    EXPECT_EQ(500, Get().status);
    EXPECT_EQ(500, Get().status);
    EXPECT_EQ(200, Get().status);

    Fault("path=%2Finclude&mode=refuse&count=1");
    const RawReply refused = Get();
    EXPECT_FALSE(refused.answered);
    EXPECT_EQ(200, Get().status);

    // Until cleared, on every path but the control path itself.
    Fault("path=%2F&mode=refuse");
    EXPECT_FALSE(Get().answered);
    EXPECT_FALSE(Get("/_echo").answered);
    EXPECT_FALSE(Get("/preview.shtml?x").answered);
    std::string listing;
    EXPECT_EQ(200, site.Get("/_control/population", &listing));
    ASSERT_EQ(200, site.Get("/_control/clear"));
    EXPECT_EQ(200, Get().status);

    // Refused requests are logged like any other: seven requests for the script above.
    const auto log = site.LogLines();
    EXPECT_EQ(7, std::count(log.begin(), log.end(),
                            "GET\t" + std::string(kScript) + "\t" + site.HostPort()));

    // An outage of a span of time: refused while it lasts, whatever the count, then gone.
    wxStopWatch watch;
    Fault("path=%2Finclude&mode=refuse&for=1000");
    const bool answeredEarly = Get().answered;
    if (watch.Time() < 900) {
        EXPECT_FALSE(answeredEarly);
    }
    EXPECT_TRUE(WaitFor([&] { return Get().answered; }, 10000));
    EXPECT_GE(watch.Time(), 1000);
}

TEST_F(SiteSimFault, CutPromisesTheWholeLengthAndSendsHalf) {
    const RawReply whole = Get();
    ASSERT_EQ(200, whole.status);
    Fault("path=%2Finclude&mode=cut&count=1");
    const RawReply cut = Get();
    EXPECT_TRUE(cut.answered);
    EXPECT_EQ(std::to_string(whole.body.size()), cut.Header("content-length"));
    EXPECT_EQ(whole.body.substr(0, whole.body.size() / 2), cut.body);
    EXPECT_EQ(whole.body, Get().body);
}

// gzip with the compressed length, cut halfway through the compressed bytes, whether the
// request took gzip or not; and a fault comes even to a client that holds the list.
TEST_F(SiteSimFault, GzipCutSendsHalfTheCompressedBody) {
    const RawReply whole = Get();
    const RawReply packed =
        RawHttp::Get(site.Port(), kScript, site.HostPort(), {"Accept-Encoding: gzip"});
    ASSERT_EQ("gzip", packed.Header("content-encoding"));
    Fault("path=%2Finclude&mode=gzipcut&count=1");
    const RawReply cut = Get();
    EXPECT_EQ("gzip", cut.Header("content-encoding"));
    EXPECT_EQ(std::to_string(packed.body.size()), cut.Header("content-length"));
    EXPECT_EQ(packed.body.substr(0, packed.body.size() / 2), cut.body);

    Fault("path=%2Finclude&mode=cut&count=1");
    const RawReply plainCut =
        RawHttp::Get(site.Port(), kScript, site.HostPort(),
                     {"Accept-Encoding: gzip", "If-None-Match: " + whole.Header("etag")});
    EXPECT_EQ(200, plainCut.status);
    EXPECT_FALSE(plainCut.Has("content-encoding"));
    EXPECT_EQ(whole.body.substr(0, whole.body.size() / 2), plainCut.body);
    EXPECT_EQ(whole.Header("etag"), plainCut.Header("etag"));
}

TEST_F(SiteSimFault, BodyFaultsChangeOnlyWhatTheyName) {
    const RawReply whole = Get();
    ASSERT_EQ(200, whole.status);

    Fault("path=%2Finclude&mode=garbage&count=1");
    const RawReply garbage = Get();
    EXPECT_EQ(200, garbage.status);
    EXPECT_NE(whole.body, garbage.body);
    EXPECT_EQ(std::to_string(garbage.body.size()), garbage.Header("content-length"));

    Fault("path=%2Finclude&mode=nolength&count=1");
    const RawReply unannounced = Get();
    EXPECT_FALSE(unannounced.Has("content-length"));
    EXPECT_FALSE(unannounced.Has("transfer-encoding"));
    EXPECT_EQ(whole.body, unannounced.body);

    Fault("path=%2Finclude&mode=ctparam&count=1");
    const RawReply parameter = Get();
    EXPECT_EQ(whole.Header("content-type") + "; charset=binary", parameter.Header("content-type"));
    EXPECT_EQ(whole.body, parameter.body);

    Fault("path=%2Finclude&mode=bigbody&bytes=300000&count=1");
    const RawReply big = Get();
    EXPECT_EQ("300000", big.Header("content-length"));
    EXPECT_EQ(300000u, big.body.size());

    Fault("path=%2Finclude&mode=delay&ms=400&count=1");
    wxStopWatch watch;
    const RawReply late = Get();
    EXPECT_GE(watch.Time(), 400);
    EXPECT_EQ(whole.body, late.body);

    EXPECT_EQ(whole.body, Get().body);
    EXPECT_EQ(400, site.Get("/_control/fault?path=%2F&mode=explode"));
}

TEST(SiteSimFaultPrefix, TheLongestPrefixWinsSoOneCompanionFileCanFailAlone) {
    const std::string dir = TestEnvironment::MakeTempDir("updates");
    for (const char* file : {"roduviriz.so", "roduviriz.mo", "roduviriz.manifest"})
        std::ofstream(dir + "/" + file) << file;
    SiteSimProcess site({"--tick", "0", "--updates", dir, "--latest", "2.0"});
    const std::string base = "/cgi-bin/app/update.cgi?version=1.3.0";
    ASSERT_EQ(200, site.Get("/_control/fault?path=%2Fcgi-bin&mode=ctparam"));
    ASSERT_EQ(200, site.Get("/_control/fault?path=%2Fcgi-bin%2Fapp%2Fupdate.cgi%3Fversion%3D1."
                            "3.0%26type%3Dmo&mode=cut"));

    const RawReply mo = RawHttp::Get(site.Port(), base + "&type=mo", site.HostPort());
    EXPECT_EQ("application/octet-stream", mo.Header("content-type"));
    EXPECT_LT(mo.body.size(), std::string("roduviriz.mo").size());
    const RawReply manifest = RawHttp::Get(site.Port(), base + "&type=manifest", site.HostPort());
    EXPECT_EQ("application/octet-stream; charset=binary", manifest.Header("content-type"));
    EXPECT_EQ("roduviriz.manifest", manifest.body);
}
