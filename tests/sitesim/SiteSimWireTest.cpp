// How the simulated site's replies go on the wire: gzip where the request takes it, the
// performer list's validators and 304, and kept connections.
#include "tests/sitesim/RawConnection.h"
#include "tests/sitesim/RawHttp.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/stopwatch.h>
#include <zlib.h>

#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

const char kScript[] = "/include/js/online_performers.js";

std::string Gunzip(const std::string& data) {
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 16) != Z_OK)
        return "(inflateInit2 failed)";
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    std::string out;
    char buffer[16384];
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END ? out : "(not a whole gzip stream)";
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');)
        fields.push_back(field);
    return fields;
}

// HTTP dates in the C locale's names, which the test process keeps for times.
std::time_t ParseDate(const std::string& text) {
    std::tm utc{};
    return strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &utc) ? timegm(&utc) : -1;
}

std::string FormatDate(std::time_t time) {
    std::tm utc{};
    char text[40];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", gmtime_r(&time, &utc));
    return text;
}

} // namespace

TEST(SiteSimCompression, TextIsGzippedOnlyWhereTheRequestTakesGzip) {
    const std::string dir = TestEnvironment::MakeTempDir("updates");
    std::ofstream(dir + "/roduviriz.so") << std::string(3000, 'M');
    SiteSimProcess site(
        {"--performers", "30", "--tick", "0", "--seed", "3", "--updates", dir, "--latest", "2.0"});
    const auto get = [&](const std::string& target, const std::string& accepts) {
        return RawHttp::Get(site.Port(), target, site.HostPort(), {"Accept-Encoding: " + accepts});
    };
    const RawReply plain = RawHttp::Get(site.Port(), kScript, site.HostPort());
    ASSERT_EQ(200, plain.status);
    EXPECT_FALSE(plain.Has("content-encoding"));
    for (const char* accepts :
         {"gzip", "deflate, gzip, br, zstd", "x-gzip", "*", "br, GZIP;q=0.1"}) {
        const RawReply packed = get(kScript, accepts);
        EXPECT_EQ("gzip", packed.Header("content-encoding")) << accepts;
        EXPECT_EQ(std::to_string(packed.body.size()), packed.Header("content-length")) << accepts;
        EXPECT_EQ(plain.body, Gunzip(packed.body)) << accepts;
        EXPECT_LT(packed.body.size(), plain.body.size() / 2) << accepts;
    }
    for (const char* accepts : {"br", "identity", "gzip;q=0, br", "*;q=0", "gzip;q=0, *"}) {
        const RawReply unpacked = get(kScript, accepts);
        EXPECT_FALSE(unpacked.Has("content-encoding")) << accepts;
        EXPECT_EQ(plain.body, unpacked.body) << accepts;
    }

    // Other text too; pictures and update files never.
    const RawReply page = get("/no/such/page", "gzip");
    EXPECT_EQ(404, page.status);
    EXPECT_NE(std::string::npos, Gunzip(page.body).find("Not Found"));
    ASSERT_EQ(200, site.Get("/_control/set?name=Pic_1&state=free"));
    const RawReply picture = get("/WebArchive/Pic_1/thumbs/LinkedImage.jpg", "gzip");
    EXPECT_FALSE(picture.Has("content-encoding"));
    EXPECT_EQ("\xFF\xD8", picture.body.substr(0, 2));
    const RawReply update = get("/cgi-bin/app/update.cgi?version=1.0", "gzip");
    EXPECT_FALSE(update.Has("content-encoding"));
    EXPECT_EQ(std::string(3000, 'M'), update.body);

    // The log notes the requests that took gzip, and only those.
    const auto log = site.LogLines();
    ASSERT_GE(log.size(), 11u);
    EXPECT_EQ(3u, Fields(log[0]).size()) << log[0];
    EXPECT_EQ("gzip", Fields(log[1]).at(3)) << log[1];
    EXPECT_EQ(3u, Fields(log[6]).size()) << log[6];
    EXPECT_EQ("gzip", Fields(log.back()).at(3)) << log.back();
}

TEST(SiteSimScript, ValidatorsAnswer304UntilTheListChanges) {
    SiteSimProcess site({"--performers", "20", "--tick", "0", "--seed", "4"});
    const auto get = [&](const std::vector<std::string>& extra) {
        return RawHttp::Get(site.Port(), kScript, site.HostPort(), extra);
    };
    const RawReply first = get({});
    const std::string etag = first.Header("etag");
    const std::string modified = first.Header("last-modified");
    ASSERT_EQ('"', etag.front()) << etag;
    const std::time_t since = ParseDate(modified);
    ASSERT_NE(-1, since) << modified;
    EXPECT_EQ(etag, get({}).Header("etag"));

    // Not Modified: a tag that matches (weakly compared), or without If-None-Match a date not
    // older than Last-Modified (the date itself at the limit).
    const std::vector<std::string> holding[] = {
        {"If-None-Match: " + etag},
        {"If-None-Match: \"other\", W/" + etag},
        {"If-None-Match: *"},
        {"If-Modified-Since: " + modified},
        {"If-Modified-Since: " + FormatDate(since + 86400)},
    };
    for (const auto& headers : holding) {
        const RawReply reply = get(headers);
        EXPECT_EQ(304, reply.status) << headers[0];
        EXPECT_TRUE(reply.body.empty()) << headers[0];
        EXPECT_FALSE(reply.Has("content-length")) << headers[0];
        EXPECT_EQ(etag, reply.Header("etag")) << headers[0];
    }
    const std::vector<std::string> lacking[] = {
        {"If-None-Match: \"other\""},
        {"If-None-Match: \"other\"", "If-Modified-Since: " + modified},
        {"If-Modified-Since: " + FormatDate(since - 1)},
        {"If-Modified-Since: yesterday"},
    };
    for (const auto& headers : lacking) {
        const RawReply reply = get(headers);
        EXPECT_EQ(200, reply.status) << headers[0];
        EXPECT_EQ(first.body, reply.body) << headers[0];
    }

    // A changed list: 200 to the old tag, with a new tag and a Last-Modified no older.
    ASSERT_EQ(200, site.Get("/_control/set?name=Brand_New&state=free"));
    const RawReply changed = get({"If-None-Match: " + etag});
    EXPECT_EQ(200, changed.status);
    EXPECT_NE(first.body, changed.body);
    EXPECT_NE(etag, changed.Header("etag"));
    EXPECT_GE(ParseDate(changed.Header("last-modified")), since);
    EXPECT_EQ(304, get({"If-None-Match: " + changed.Header("etag")}).status);

    const auto log = site.LogLines();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ("if-none-match,304", Fields(log[2]).at(3)) << log[2];
    EXPECT_EQ("if-none-match", Fields(log[log.size() - 2]).at(3));
}

TEST(SiteSimConnections, KeptConnectionsCloseAfterTheirIdleTime) {
    SiteSimProcess site({"--performers", "5", "--tick", "0", "--keep-alive", "400"});
    RawConnection connection(site.Port());
    for (int request = 0; request < 3; ++request) {
        const RawReply reply = connection.Get(kScript, {"Accept-Encoding: gzip"});
        ASSERT_EQ(200, reply.status) << request;
        EXPECT_FALSE(reply.Has("connection")) << request;
        EXPECT_FALSE(reply.Has("keep-alive")) << request;
    }
    wxStopWatch idle;
    EXPECT_TRUE(connection.ClosedWithin(5000));
    EXPECT_GE(idle.Time(), 200);

    // Set at run time; 0 keeps none.
    ASSERT_EQ(200, site.Get("/_control/keepalive?ms=0"));
    RawConnection once(site.Port());
    EXPECT_EQ("close", once.Get(kScript).Header("connection"));
    EXPECT_TRUE(once.ClosedWithin(2000));
    EXPECT_EQ(400, site.Get("/_control/keepalive?ms=soon"));
}

TEST(SiteSimConnections, ShutdownDoesNotWaitForIdleConnections) {
    auto site = std::make_unique<SiteSimProcess>(
        std::vector<std::string>{"--performers", "5", "--tick", "0", "--keep-alive", "60000"});
    RawConnection kept(site->Port());
    ASSERT_EQ(200, kept.Get(kScript).status);
    wxStopWatch watch;
    site.reset();
    EXPECT_LT(watch.Time(), 3000);
    EXPECT_TRUE(kept.ClosedWithin(1000));
}
