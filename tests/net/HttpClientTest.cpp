#include "net/wxHTTP2.h"
#include "tests/support/SiteSimProcess.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace {

std::string Base64Of(const std::string& text) {
    return Base64Encode(reinterpret_cast<const unsigned char*>(text.data()), text.size())
        .ToStdString();
}

class HttpClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ms_site = new SiteSimProcess; }
    static void TearDownTestSuite() {
        delete ms_site;
        ms_site = nullptr;
    }

    static void Connect(wxHTTP2& http) {
        ASSERT_TRUE(http.Connect("127.0.0.1", static_cast<unsigned short>(ms_site->Port())));
    }

    // The headers that the site saw (names lower-cased), or nothing when the request failed.
    static std::optional<std::map<std::string, std::string>> Echo(wxHTTP2& http) {
        std::unique_ptr<wxInputStream> in(http.GetInputStream("/_echo"));
        if (!in)
            return std::nullopt;
        std::string body;
        char buffer[4096];
        while (in->Read(buffer, sizeof buffer).LastRead() > 0)
            body.append(buffer, in->LastRead());
        std::map<std::string, std::string> headers;
        std::istringstream lines(body);
        for (std::string line; std::getline(lines, line);) {
            const auto colon = line.find(": ");
            if (colon == std::string::npos)
                continue;
            std::string name = line.substr(0, colon);
            for (auto& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            headers[name] = line.substr(colon + 2);
        }
        return headers;
    }

    static std::optional<std::string> Authorization(wxHTTP2& http) {
        const auto headers = Echo(http);
        if (!headers)
            return "(request failed)";
        const auto it = headers->find("authorization");
        if (it == headers->end())
            return std::nullopt;
        return it->second;
    }

    static SiteSimProcess* ms_site;
};

SiteSimProcess* HttpClientTest::ms_site = nullptr;

TEST_F(HttpClientTest, AuthorizationOnlyWithAUserName) {
    {
        wxHTTP2 http;
        Connect(http);
        EXPECT_EQ(Authorization(http), std::nullopt) << "no credentials";
    }
    {
        wxHTTP2 http;
        http.SetPassword("secret");
        Connect(http);
        EXPECT_EQ(Authorization(http), std::nullopt) << "a password alone";
    }
    {
        wxHTTP2 http;
        http.SetUser("name");
        Connect(http);
        EXPECT_EQ(Authorization(http), "Basic " + Base64Of("name:")) << "empty password";
    }
    {
        // Set through the base class, whose setters are not virtual.
        wxHTTP2 http;
        wxProtocol& base = http;
        base.SetPassword("secret");
        Connect(http);
        EXPECT_EQ(Authorization(http), std::nullopt) << "a password alone, through the base";
        base.SetUser("name");
        EXPECT_EQ(Authorization(http), "Basic " + Base64Of("name:secret"));
    }
}

TEST_F(HttpClientTest, CredentialsAreTakenAtEachRequest) {
    wxHTTP2 http;
    http.SetUser("alice");
    http.SetPassword("first");
    Connect(http);
    EXPECT_EQ(Authorization(http), "Basic " + Base64Of("alice:first"));

    http.SetPassword("second");
    EXPECT_EQ(Authorization(http), "Basic " + Base64Of("alice:second"));

    // A refused request leaves wxHTTP's request headers in place: the old header must not go
    // out with the next request once the user name is gone.
    std::unique_ptr<wxInputStream> missing(http.GetInputStream("/no/such/page"));
    EXPECT_FALSE(missing);
    EXPECT_EQ(http.GetResponse(), 404);
    http.SetUser("");
    EXPECT_EQ(Authorization(http), std::nullopt);
}

TEST_F(HttpClientTest, LongAndNonAsciiCredentials) {
    wxHTTP2 http;
    const std::string user(60, 'u'), password(60, 'p');
    http.SetUser(user);
    http.SetPassword(password);
    Connect(http);
    const auto header = Authorization(http);
    ASSERT_TRUE(header);
    EXPECT_EQ(*header, "Basic " + Base64Of(user + ":" + password));
    EXPECT_GT(header->size(), 76u + 6u);

    // The credentials go as UTF-8, whatever the locale.
    http.SetUser(wxString::FromUTF8("j\xc3\xbcrgen"));
    http.SetPassword(wxString::FromUTF8("\xe2\x82\xac"));
    EXPECT_EQ(Authorization(http), "Basic " + Base64Of("j\xc3\xbcrgen:\xe2\x82\xac"));
}

TEST_F(HttpClientTest, FixedHeadersGoWithEveryRequest) {
    wxHTTP2 http;
    // Set before Connect(), which would overwrite a plain "Host" header.
    http.SetFixedHeader("Host", "web.example:8080");
    http.SetFixedHeader("X-Probe", "one");
    http.SetFixedHeader("X-Probe", "two");
    Connect(http);
    for (int request = 1; request <= 2; ++request) {
        SCOPED_TRACE(request);
        const auto headers = Echo(http);
        ASSERT_TRUE(headers);
        EXPECT_EQ(headers->count("host") ? headers->at("host") : "", "web.example:8080");
        EXPECT_EQ(headers->count("x-probe") ? headers->at("x-probe") : "", "two");
    }
    const auto log = ms_site->LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "GET\t/_echo\tweb.example:8080");
}

} // namespace
