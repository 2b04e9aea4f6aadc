#pragma once

#include "net/wxHTTP2.h"
#include "tests/support/SiteSimProcess.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

// A port on which nobody listens.
unsigned short ClosedPort();

// Requests of our client to the simulated site, whose "/_echo" answers with the headers it got.
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
    static std::optional<std::map<std::string, std::string>> Echo(wxHTTP2& http);

    // "Authorization" as the site saw it; "(request failed)" when it failed.
    static std::optional<std::string> Authorization(wxHTTP2& http);

    static SiteSimProcess* ms_site;
};
