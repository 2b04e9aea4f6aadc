// The TLS front of the network tests: nginx before sitesim with the test certificates, read by
// libcurl as a client that trusts the test CA.
#include "tests/support/NginxProcess.h"
#include "tests/support/SilentListener.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TinyProxyProcess.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char kScript[] = "/include/js/online_performers.js";

struct Fetched {
    CURLcode code = CURLE_OK;
    long status = 0;
    long connects = 0; // new connections for this transfer
    std::string body;
    std::string error;
    std::string etag;
};

size_t Append(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

// One transfer on the handle, which keeps its connections for the next.
Fetched Fetch(CURL* curl, const std::string& url, const std::string& extraHeader = "",
              long timeoutMs = 10000) {
    Fetched result;
    char error[CURL_ERROR_SIZE] = {};
    curl_slist* headers =
        extraHeader.empty() ? nullptr : curl_slist_append(nullptr, extraHeader.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CAINFO, NginxProcess::CaFile().c_str());
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &result.body);
    result.code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &result.connects);
    curl_header* etag = nullptr;
    if (curl_easy_header(curl, "ETag", 0, CURLH_HEADER, -1, &etag) == CURLHE_OK)
        result.etag = etag->value;
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    result.error = error;
    return result;
}

Fetched FetchOnce(const std::string& url, long timeoutMs = 10000) {
    const std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    return Fetch(curl.get(), url, "", timeoutMs);
}

} // namespace

TEST(SiteSimTls, NginxServesTheListOverTlsWithTheValidCertificateOnly) {
    SiteSimProcess site({"--performers", "40", "--tick", "0", "--seed", "6"});
    std::string plain;
    ASSERT_EQ(200, site.Get(kScript, &plain));
    {
        NginxProcess nginx(site.Port());
        const std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
        Fetched last;
        for (int poll = 0; poll < 3; ++poll) {
            last = Fetch(curl.get(), nginx.Url(kScript));
            ASSERT_EQ(CURLE_OK, last.code) << last.error << nginx.ErrorLog();
            EXPECT_EQ(200, last.status);
            EXPECT_EQ(plain, last.body);
            EXPECT_EQ(poll == 0 ? 1 : 0, last.connects) << poll;
        }
        // Compressed by nginx, whose tag is then weak; sitesim still knows it.
        EXPECT_EQ("W/\"", last.etag.substr(0, 3)) << last.etag;
        EXPECT_EQ(304, Fetch(curl.get(), nginx.Url(kScript), "If-None-Match: " + last.etag).status);

        const auto entries = nginx.Requests();
        ASSERT_EQ(4u, entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ("GET " + std::string(kScript) + " HTTP/2.0", entries[i].request);
            EXPECT_EQ(entries[0].connection, entries[i].connection);
            EXPECT_EQ(static_cast<long>(i + 1), entries[i].connectionRequests);
        }
        EXPECT_LT(entries[0].bytesSent, static_cast<long>(plain.size() / 3));
        EXPECT_LT(entries[3].bytesSent, 300);

        // Through tinyproxy, which tunnels to any port.
        TinyProxyProcess proxy;
        curl_easy_setopt(curl.get(), CURLOPT_PROXY, proxy.Address().c_str());
        const Fetched tunnelled = Fetch(curl.get(), nginx.Url(kScript));
        EXPECT_EQ(200, tunnelled.status) << tunnelled.error;
        EXPECT_EQ(plain, tunnelled.body);
        EXPECT_NE(std::string::npos, proxy.Log().find("CONNECT " + nginx.HostPort()));
    }

    // Refused: another name, expired, issued by a CA that nobody trusts; nothing is served.
    const std::pair<NginxProcess::Certificate, const char*> refused[] = {
        {NginxProcess::Certificate::OtherName, "subject name"},
        {NginxProcess::Certificate::Expired, "expired"},
        {NginxProcess::Certificate::Untrusted, "local issuer"},
    };
    for (const auto& [certificate, reason] : refused) {
        NginxProcess nginx(site.Port(), certificate);
        const Fetched fetched = FetchOnce(nginx.Url(kScript));
        EXPECT_EQ(CURLE_PEER_FAILED_VERIFICATION, fetched.code) << reason;
        EXPECT_NE(std::string::npos, fetched.error.find(reason)) << fetched.error;
        EXPECT_TRUE(nginx.Requests().empty()) << reason;
    }

    NginxProcess plainFront(site.Port(), NginxProcess::Certificate::Plain);
    const Fetched overHttp = FetchOnce(plainFront.Url(kScript));
    EXPECT_EQ(200, overHttp.status) << overHttp.error;
    EXPECT_EQ(plain, overHttp.body);

    // A handshake that is never answered ends only with the client's own time limit.
    SilentListener silent;
    const Fetched hung = FetchOnce("https://127.0.0.1:" + std::to_string(silent.Port()) + "/", 500);
    EXPECT_EQ(CURLE_OPERATION_TIMEDOUT, hung.code) << hung.error;
}
