#include "core/HttpGet.h"
#include "net/CurlSession.h"
#include "net/DownloadThread.h"
#include "net/DownloadThreadsModule.h"
#include "net/wxHTTP2.h"
#include "tests/support/NginxProcess.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TinyProxyProcess.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/url.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Certificate = NginxProcess::Certificate;

// The transport over TLS, against Debian's nginx in front of the simulated site, with a
// certificate authority of the test's own, trusted as a user behind a company's TLS inspection
// trusts one: through CURL_CA_BUNDLE.
class HttpsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ms_site = new SiteSimProcess({"--performers", "12", "--tick", "0"});
        setenv("CURL_CA_BUNDLE", NginxProcess::CaFile().c_str(), 1);
        CurlSession::Initialise();
    }
    static void TearDownTestSuite() {
        unsetenv("CURL_CA_BUNDLE");
        CurlSession::Initialise();
        delete ms_site;
        ms_site = nullptr;
    }
    void SetUp() override { ASSERT_EQ(ms_site->Get("/_control/clear"), 200); }
    void TearDown() override { EXPECT_TRUE(DownloadThreadsModule::WaitUntilIdle(10000)); }

    // The body of a download thread's fetch of url; nothing when it failed.
    static std::optional<std::string> Download(const std::string& url) {
        std::optional<std::string> body;
        wxEvtHandler target;
        bool finished = false;
        target.Bind(wxEVT_DOWNLOAD_FINISHED, [&](wxCommandEvent& event) {
            std::unique_ptr<char[]> block(static_cast<char*>(event.GetClientData()));
            if (block)
                body = std::string(block.get(), static_cast<size_t>(event.GetInt()));
            finished = true;
        });
        EXPECT_TRUE(DownloadThread::Start(&target, -1, new wxURL(url)));
        EXPECT_TRUE(WaitFor([&] { return finished; }, 20000));
        return body;
    }

    static SiteSimProcess* ms_site;
};

SiteSimProcess* HttpsTest::ms_site = nullptr;

// Certificates are verified, host name included; a refusal is a failure whose reason says what
// was wrong, and nothing reaches the site.
TEST_F(HttpsTest, OnlyATrustedCertificateForTheHostIsAccepted) {
    struct Case {
        Certificate certificate;
        const char* detail; // in the reason
    };
    for (const Case& c : std::vector<Case>{{Certificate::Valid, ""},
                                           {Certificate::OtherName, "name"},
                                           {Certificate::Expired, "expired"},
                                           {Certificate::Untrusted, "issuer"}}) {
        NginxProcess nginx(ms_site->Port(), c.certificate);
        SCOPED_TRACE(nginx.Url("/_echo") + " " + c.detail);
        wxHTTP2 http;
        http.SetTimeout(5);
        std::unique_ptr<wxInputStream> in(HttpGet::Open(http, nginx.Url("/_echo")));
        if (c.certificate == Certificate::Valid) {
            EXPECT_TRUE(in) << http.GetFailure().GetText();
            continue;
        }
        EXPECT_FALSE(in);
        EXPECT_EQ(http.GetFailure().GetKind(), FailureReason::Kind::CERTIFICATE);
        EXPECT_NE(http.GetFailure().GetText().Find(c.detail), wxNOT_FOUND)
            << http.GetFailure().GetText();
        EXPECT_TRUE(nginx.Requests().empty());
    }
}

// The authority to trust may come as a file (either variable that curl reads) or as a hashed
// folder of them.
TEST_F(HttpsTest, TheTrustedAuthorityComesAsAFileOrAFolder) {
    NginxProcess nginx(ms_site->Port());
    const std::string folder = TestEnvironment::MakeTempDir("trusted");
    ASSERT_EQ(std::system(("cp '" + NginxProcess::CaFile() + "' '" + folder +
                           "/' && openssl rehash '" + folder + "'")
                              .c_str()),
              0);
    {
        ScopedEnvironment environment;
        for (const char* name : {"CURL_CA_BUNDLE", "SSL_CERT_FILE", "SSL_CERT_DIR"})
            environment.Unset(name);
        for (const auto& [name, value] : std::vector<std::pair<const char*, std::string>>{
                 {"CURL_CA_BUNDLE", NginxProcess::CaFile()},
                 {"SSL_CERT_FILE", NginxProcess::CaFile()},
                 {"SSL_CERT_DIR", folder}}) {
            SCOPED_TRACE(name);
            environment.Set(name, value);
            CurlSession::Initialise();
            wxHTTP2 http;
            http.SetTimeout(5);
            EXPECT_TRUE(std::unique_ptr<wxInputStream>(HttpGet::Open(http, nginx.Url("/_echo"))))
                << http.GetFailure().GetText();
            environment.Unset(name);
        }
    }
    // The suite's own again.
    CurlSession::Initialise();
}

// A compressed body is counted as it is read, decompressed: the cap holds for the picture, not
// for the few bytes that crossed the wire. (And an https address passes the toolkit's URL,
// which knows no https.)
TEST_F(HttpsTest, TheCapCountsTheBodyDecompressed) {
    NginxProcess nginx(ms_site->Port());
    size_t downloads = 0;
    for (const size_t bytes : {DownloadThread::MAX_BODY, DownloadThread::MAX_BODY + 1}) {
        SCOPED_TRACE(bytes);
        ASSERT_EQ(
            ms_site->Get("/_control/fault?path=/_echo&mode=bigbody&bytes=" + std::to_string(bytes)),
            200);
        const auto body = Download(nginx.Url("/_echo"));
        EXPECT_EQ(body.has_value(), bytes == DownloadThread::MAX_BODY);
        if (body) {
            EXPECT_EQ(body->size(), bytes);
        }
        ASSERT_TRUE(nginx.WaitForRequests(++downloads));
        EXPECT_LT(nginx.Requests().back().bytesSent, static_cast<long>(bytes / 10))
            << "the body did not come compressed";
    }
}

// An https site through a proxy goes through the proxy's tunnel, with the proxy's credentials;
// a tunnel refused for want of them is the proxy's 407, and its reason names the proxy.
TEST_F(HttpsTest, TheProxysTunnelCarriesTheSiteWithItsCredentials) {
    NginxProcess nginx(ms_site->Port());
    TinyProxyProcess proxy("rod", "s3cr.t-pw");
    wxHTTP2 http;
    http.SetTimeout(5);
    http.SetProxy(proxy.Address("rod:s3cr%2Et-pw"));
    EXPECT_TRUE(std::unique_ptr<wxInputStream>(HttpGet::Open(http, nginx.Url("/_echo"))))
        << http.GetFailure().GetText();
    EXPECT_NE(proxy.Log().find("CONNECT"), std::string::npos);

    http.SetProxy(proxy.Address());
    EXPECT_FALSE(std::unique_ptr<wxInputStream>(HttpGet::Open(http, nginx.Url("/_echo"))));
    EXPECT_EQ(http.GetResponse(), 407);
    EXPECT_EQ(http.GetFailure().GetKind(), FailureReason::Kind::PROXY_CREDENTIALS);
    EXPECT_NE(http.GetFailure().GetText().Find("127.0.0.1:" + std::to_string(proxy.Port())),
              wxNOT_FOUND);
}

} // namespace
