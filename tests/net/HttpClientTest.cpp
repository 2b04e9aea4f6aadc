#include "net/CurlSession.h"
#include "tests/net/HttpClientFixture.h"
#include "tests/support/NginxProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string Base64Of(const std::string& text) {
    return Base64Encode(reinterpret_cast<const unsigned char*>(text.data()), text.size())
        .ToStdString();
}

// A server on a loopback port that answers its first request by trickling a reply, a few
// bytes at a time at a steady pace, until the client goes.
class TricklingServer {
public:
    TricklingServer(std::string reply, size_t chunk, int paceMs)
        : m_reply(std::move(reply)), m_chunk(chunk), m_paceMs(paceMs) {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof addr;
        if (bind(m_listener, reinterpret_cast<sockaddr*>(&addr), size) == 0 &&
            listen(m_listener, 1) == 0 &&
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &size) == 0)
            m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~TricklingServer() {
        m_stop = true;
        shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        close(m_listener);
    }

    unsigned short Port() const { return m_port; }
    bool SentEverything() const { return m_sent == m_reply.size(); }

private:
    void Serve() {
        const int client = accept(m_listener, nullptr, nullptr);
        if (client < 0)
            return;
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, static_cast<size_t>(got));
        }
        while (m_sent < m_reply.size() && !m_stop) {
            const size_t size = std::min(m_chunk, m_reply.size() - m_sent);
            if (send(client, &m_reply[m_sent], size, MSG_NOSIGNAL) != static_cast<ssize_t>(size))
                break;
            m_sent += size;
            // Paces the trickle; a client that hangs up ends it at once.
            pollfd wait{client, POLLIN, 0};
            if (poll(&wait, 1, m_paceMs) > 0)
                break;
        }
        close(client);
    }

    const std::string m_reply;
    const size_t m_chunk;
    const int m_paceMs;
    int m_listener;
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<size_t> m_sent{0};
    std::thread m_thread;
};

// The body at path, or nothing with the reason in *why.
std::optional<std::string> Body(wxHTTP2& http, const std::string& path, std::string* why) {
    std::unique_ptr<wxInputStream> in(http.GetInputStream(path));
    if (!in) {
        *why = http.GetFailure().GetText().ToStdString();
        return std::nullopt;
    }
    std::string body;
    char buffer[4096];
    while (in->Read(buffer, sizeof buffer).LastRead() > 0)
        body.append(buffer, in->LastRead());
    return body;
}

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
    EXPECT_EQ(log.back(), "GET\t/_echo\tweb.example:8080\tgzip");
}

// Credentials go with the one request they were set for, also when it fails before any reply
// (which would otherwise have cleared the request's headers): the next request, without
// credentials, straight to a site that records its headers, carries none.
TEST_F(HttpClientTest, CredentialsOfAFailedRequestNeverGoAgain) {
    wxHTTP2 http;
    http.SetUser("alice");
    http.SetPassword("secret");
    http.SetProxy("http://rod:pw@127.0.0.1:" + std::to_string(ClosedPort()));
    ASSERT_TRUE(http.Connect("127.0.0.1", ClosedPort()));
    EXPECT_EQ(std::unique_ptr<wxInputStream>(http.GetInputStream("/_echo")), nullptr);

    http.SetUser("");
    http.SetProxy("");
    Connect(http);
    const auto headers = Echo(http);
    ASSERT_TRUE(headers);
    EXPECT_EQ(headers->count("authorization"), 0u);
    EXPECT_EQ(headers->count("proxy-authorization"), 0u);
}

// The system's own reason tells a site that is down from a machine that is offline.
TEST(HttpClientReasonTest, ARefusedConnectionQuotesTheSystemsReason) {
    wxHTTP2 http;
    ASSERT_TRUE(http.Connect("127.0.0.1", ClosedPort()));
    EXPECT_EQ(std::unique_ptr<wxInputStream>(http.GetInputStream("/")), nullptr);
    EXPECT_EQ(http.GetFailure().GetKind(), FailureReason::Kind::CONNECTION);
    EXPECT_TRUE(http.GetFailure().GetText().EndsWith(": Couldn't connect to server (Connection "
                                                     "refused)"))
        << http.GetFailure().GetText();
}

// Run by CTest in the namespaces of dead-dns.sh, whose network has the loopback only: an
// address elsewhere has no route, which is this machine being offline.
TEST(HttpClientReasonTest, WithoutARouteTheNetworkIsUnreachable) {
    if (!std::getenv("ROD_DEAD_DNS"))
        GTEST_SKIP() << "runs inside the namespaces of dead-dns.sh";
    wxHTTP2 http;
    ASSERT_TRUE(http.Connect("10.203.0.2", 80));
    EXPECT_EQ(std::unique_ptr<wxInputStream>(http.GetInputStream("/")), nullptr);
    EXPECT_EQ(http.GetFailure().GetKind(), FailureReason::Kind::UNREACHABLE);
    EXPECT_TRUE(http.GetFailure().GetText().EndsWith("(Network is unreachable)"))
        << http.GetFailure().GetText();
}

// A server that never completes the handshake (its backlog is full, so the system drops the
// connection request): the toolkit's socket would wait for the system's own limit, minutes.
TEST(HttpClientDeadlineTest, AConnectionThatIsNeverAcceptedFailsAtTheTimeOut) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), size), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &size);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        connect(fillers.back(), reinterpret_cast<sockaddr*>(&addr), size);
    }
    wxHTTP2 http;
    http.SetTimeout(1);
    ASSERT_TRUE(http.Connect("127.0.0.1", ntohs(addr.sin_port)));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(std::unique_ptr<wxInputStream>(http.GetInputStream("/")), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    for (int fd : fillers)
        close(fd);
    close(listener);
}

// Each byte of the reply's head comes well within the time-out, but the whole head does not:
// the request gives up, so a refresh or a download cannot be held for ever by such a server.
TEST(HttpClientDeadlineTest, AHeadTrickledSlowerThanTheTimeOutFails) {
    // A byte every quarter second: some 13 s for the whole head.
    TricklingServer server("HTTP/1.0 200 OK\r\nX-Slow: " + std::string(40, 'x') + "\r\n\r\n", 1,
                           250);
    ASSERT_NE(server.Port(), 0);
    wxHTTP2 http;
    http.SetTimeout(1);
    ASSERT_TRUE(http.Connect("127.0.0.1", server.Port()));
    std::unique_ptr<wxInputStream> in(http.GetInputStream("/"));
    EXPECT_EQ(in, nullptr);
    EXPECT_FALSE(server.SentEverything()) << "the client waited for the whole head";
}

// A long body of no announced length that keeps flowing on a slow line outlasts the first
// wait budget: only a body that stops flowing runs out of it.
TEST(HttpClientDeadlineTest, AFlowingBodyWithoutLengthEarnsMoreWaiting) {
    const std::string body(48 * 1024, 'x');
    TricklingServer server("HTTP/1.0 200 OK\r\n\r\n" + body, 4096, 200); // 20 KiB/s, 2 s
    ASSERT_NE(server.Port(), 0);
    CurlSession session;
    CurlSession::Request request;
    request.url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
    request.timeout = std::chrono::seconds(2);
    request.bodyWait = std::chrono::seconds(1);
    ASSERT_TRUE(session.Start(request)) << session.Failure().GetText();
    size_t received = 0;
    char buffer[4096];
    for (long got; (got = session.Read(buffer, sizeof buffer)) > 0;)
        received += static_cast<size_t>(got);
    EXPECT_FALSE(session.Failure().IsSet()) << session.Failure().GetText();
    EXPECT_EQ(received, body.size());
}

} // namespace

// Every kind of redirect is followed, five at most; the credentials stay with the host and port
// they were set for.
TEST_F(HttpClientTest, UpToFiveRedirectsAreFollowedWithoutTheCredentials) {
    const std::string site = "127.0.0.1:" + std::to_string(ms_site->Port());
    NginxProcess nginx(ms_site->Port(), NginxProcess::Certificate::Plain,
                       "location = /six { return 302 /five; }\n"
                       "location = /five { return 301 /four; }\n"
                       "location = /four { return 302 /three; }\n"
                       "location = /three { return 303 /two; }\n"
                       "location = /two { return 307 /one; }\n"
                       "location = /one { return 308 http://" +
                           site + "/_echo; }");
    wxHTTP2 http;
    http.SetUser("alice");
    http.SetPassword("secret");
    ASSERT_TRUE(http.Connect("127.0.0.1", static_cast<unsigned short>(nginx.Port())));
    std::string why;
    const auto echo = Body(http, "/five", &why);
    ASSERT_TRUE(echo) << why;
    EXPECT_EQ(http.GetResponse(), 200);
    EXPECT_NE(echo->find("Host: " + site + "\n"), std::string::npos) << *echo;
    EXPECT_EQ(echo->find("Authorization"), std::string::npos) << *echo;
    EXPECT_EQ(nginx.Requests().size(), 5u);

    EXPECT_FALSE(Body(http, "/six", &why));
    EXPECT_NE(why.find("Maximum (5) redirects followed"), std::string::npos) << why;
}

// A request whose query holds a secret follows a redirect only to its own host over https.
TEST_F(HttpClientTest, ASecretQueryIsRedirectedOnlyToItsHostOverHttps) {
    const std::string port = std::to_string(ms_site->Port());
    NginxProcess secure(ms_site->Port(), NginxProcess::Certificate::Valid,
                        "location = /stay { return 302 /_echo; }\n"
                        "location = /away { return 302 https://localhost:$server_port/_echo; }\n"
                        "location = /plain { return 302 http://127.0.0.1:" +
                            port + "/_echo; }");
    NginxProcess plain(
        ms_site->Port(), NginxProcess::Certificate::Plain,
        "location = /up { return 301 https://127.0.0.1:" + std::to_string(secure.Port()) +
            "/_echo; }\n"
            "location = /along { return 302 /_echo; }");
    setenv("CURL_CA_BUNDLE", NginxProcess::CaFile().c_str(), 1);
    CurlSession::Initialise();
    struct Case {
        const NginxProcess& server;
        const char* path;
        std::string refusal; // empty: followed
    };
    for (const Case& c :
         std::vector<Case>{{plain, "/up", ""},
                           {plain, "/along", "redirect to plain http not followed"},
                           {secure, "/stay", ""},
                           {secure, "/away", "redirect to another host (localhost) not followed"},
                           {secure, "/plain", "redirect to plain http not followed"}}) {
        for (const bool secret : {true, false}) {
            SCOPED_TRACE(std::string(c.path) + (secret ? ", secret" : ""));
            wxHTTP2 http;
            http.SetSecretQuery(secret);
            http.SetScheme(&c.server == &secure ? "https" : "http");
            ASSERT_TRUE(http.Connect("127.0.0.1", static_cast<unsigned short>(c.server.Port())));
            std::string why;
            const auto echo = Body(http, std::string(c.path) + "?password=p", &why);
            if (secret && !c.refusal.empty()) {
                EXPECT_FALSE(echo);
                EXPECT_EQ(why, c.refusal);
            } else {
                EXPECT_TRUE(echo) << why;
            }
        }
    }
    unsetenv("CURL_CA_BUNDLE");
    CurlSession::Initialise();
}
