#include "tests/net/HttpClientFixture.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TinyProxyProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

bool CameThroughTheProxy(const std::map<std::string, std::string>& headers) {
    return headers.count("via") == 1;
}

// Debian's tinyproxy on a port of its own, asking for credentials, named by the environment as
// curl reads it: the request reaches the site through it only with them, the exceptions and
// the upper-case name that curl ignores for http go straight, and a refusal is a failed request
// like any other whose reason names the proxy but not the password. Neither the proxy's nor
// the site's credentials go where they do not belong.
TEST_F(HttpClientTest, TheEnvironmentsProxyCarriesRequestsWithItsCredentials) {
    TinyProxyProcess proxy("rod", "s3cr.t-pw");
    ScopedEnvironment environment;
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
        environment.Unset(name);
    const auto request = [&] {
        auto http = std::make_unique<wxHTTP2>();
        Connect(*http);
        return http;
    };

    // The password's '.' travels percent-encoded, as a user may write it.
    environment.Set("http_proxy", proxy.Address("rod:s3cr%2Et-pw"));
    auto http = request();
    auto headers = Echo(*http);
    ASSERT_TRUE(headers);
    EXPECT_TRUE(CameThroughTheProxy(*headers));
    EXPECT_EQ(headers->count("proxy-authorization"), 0u);
    EXPECT_NE(proxy.Log().find("/_echo"), std::string::npos);

    // The site's credentials go with their own request: the next one, to a second host over
    // the connection to the proxy that the first left, carries none.
    http = request();
    http->SetUser("alice");
    http->SetPassword("s1te-pw");
    EXPECT_EQ(Authorization(*http), BasicCredentials("alice", "s1te-pw").utf8_string());
    http.reset();
    http = std::make_unique<wxHTTP2>();
    ASSERT_TRUE(http->Connect("localhost", static_cast<unsigned short>(ms_site->Port())));
    headers = Echo(*http);
    ASSERT_TRUE(headers);
    EXPECT_TRUE(CameThroughTheProxy(*headers));
    EXPECT_EQ(headers->count("authorization"), 0u) << headers->at("authorization");

    // The proxy's credentials go to the proxy alone, never straight to an exception.
    environment.Set("no_proxy", "localhost, 127.0.0.1");
    headers = Echo(*request());
    ASSERT_TRUE(headers);
    EXPECT_FALSE(CameThroughTheProxy(*headers)) << "an exception went through the proxy";
    EXPECT_EQ(headers->count("proxy-authorization"), 0u) << headers->at("proxy-authorization");
    environment.Unset("no_proxy");

    // No credentials: 407, told with the proxy's address. (tinyproxy answers wrong ones 401.)
    environment.Set("http_proxy", proxy.Address());
    http = request();
    EXPECT_EQ(std::unique_ptr<wxInputStream>(http->GetInputStream("/_echo")), nullptr);
    EXPECT_EQ(http->GetResponse(), 407);
    EXPECT_EQ(http->GetFailure().GetKind(), FailureReason::Kind::PROXY_CREDENTIALS);
    EXPECT_NE(http->GetFailure().GetText().Find("127.0.0.1:" + std::to_string(proxy.Port())),
              wxNOT_FOUND);
    environment.Set("http_proxy", proxy.Address("rod:wrong"));
    http = request();
    EXPECT_EQ(std::unique_ptr<wxInputStream>(http->GetInputStream("/_echo")), nullptr);
    EXPECT_EQ(http->GetResponse(), 401);
    EXPECT_EQ(http->GetFailure().GetText().Find("wrong"), wxNOT_FOUND);
    // A password with ":" and "@" as typed, which curl cannot take: its reason quotes the
    // address, without the password.
    environment.Set("http_proxy", "http://rod:s3:cr@t@127.0.0.1:" + std::to_string(proxy.Port()));
    http = request();
    EXPECT_EQ(std::unique_ptr<wxInputStream>(http->GetInputStream("/_echo")), nullptr);
    EXPECT_EQ(LinesHolding({http->GetFailure().GetText().utf8_string()}, {"cr@t", "s3:cr"}),
              std::vector<std::string>{});

    // curl takes only the lower-case name for http.
    environment.Unset("http_proxy");
    environment.Set("HTTP_PROXY", proxy.Address("rod:s3cr%2Et-pw"));
    headers = Echo(*request());
    ASSERT_TRUE(headers);
    EXPECT_FALSE(CameThroughTheProxy(*headers));
}

// What goes to a proxy: the whole address in the request line (the site's port included), the
// "Host" that the caller fixed (a thumbnail names the web host). sitesim standing in for the
// proxy records the request line and "Host".
TEST_F(HttpClientTest, ProxyGetsTheAbsoluteAddressAndTheTargetsHost) {
    wxHTTP2 http;
    http.SetProxy("http://" + ms_site->HostPort());
    http.SetFixedHeader("Host", "web.example");
    ASSERT_TRUE(http.Connect("img.example", 8080));
    std::unique_ptr<wxInputStream> in(
        http.GetInputStream("/WebArchive/x/thumbs/LinkedImage.jpg?a=1"));
    EXPECT_EQ(http.GetResponse(), 404); // sitesim serves no such address
    const auto log = ms_site->LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(
        log.back(),
        "GET\thttp://img.example:8080/WebArchive/x/thumbs/LinkedImage.jpg?a=1\tweb.example\tgzip");
}

} // namespace
