// The simulated site's services as the plug-in's clients read them: the performer script
// and its population, the login check, thumbnails, previews, the update service and the log.
#include "tests/sitesim/RawHttp.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

const char kScript[] = "/include/js/online_performers.js";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// What a client of the script builds: name -> flag word, through the two line patterns and
// the category table (online 0x01, free 0x02, busy 0x04, public 0x08, private 0x10).
struct ParsedScript {
    std::vector<std::pair<std::string, unsigned>> performers; // in script order
    int ordinaryLines = 0;
    bool addNamesMatch = true; // every add() names the performer it belongs to
};

ParsedScript Parse(const std::string& script) {
    static const std::regex performerLine("([[:alnum:]_]+).viewers = ([[:digit:]]+)",
                                          std::regex::extended);
    static const std::regex categoryLine("([[:alpha:]]+)_performers.add\\(([[:alnum:]_]+)\\)",
                                         std::regex::extended);
    ParsedScript parsed;
    for (const auto& line : Lines(script)) {
        std::smatch match;
        if (std::regex_search(line, match, performerLine)) {
            parsed.performers.emplace_back(match[1], 0u);
        } else if (std::regex_search(line, match, categoryLine)) {
            if (parsed.performers.empty())
                continue;
            auto& current = parsed.performers.back();
            parsed.addNamesMatch = parsed.addNamesMatch && match[2] == current.first;
            unsigned& f = current.second;
            const std::string word = match[1];
            if (word == "online")
                f |= 0x01;
            else if (word == "free")
                f = (f & ~0x1Cu) | 0x03;
            else if (word == "busy")
                f = ((f & ~0x02u) | 0x05) | ((f & 0x10) ? 0 : 0x08);
            else if (word == "public")
                f = (f & ~0x12u) | 0x0D;
            else if (word == "private")
                f = (f & ~0x0Au) | 0x15;
        } else {
            ++parsed.ordinaryLines;
        }
    }
    return parsed;
}

std::vector<std::pair<std::string, unsigned>> Population(const SiteSimProcess& site) {
    std::string body;
    EXPECT_EQ(200, site.Get("/_control/population", &body));
    std::vector<std::pair<std::string, unsigned>> listed;
    for (const auto& line : Lines(body)) {
        char name[128];
        unsigned status = 0;
        if (std::sscanf(line.c_str(), "%127s 0x%x", name, &status) == 2)
            listed.emplace_back(name, status);
    }
    return listed;
}

std::string Fetch(const SiteSimProcess& site, const std::string& target) {
    std::string body;
    EXPECT_EQ(200, site.Get(target, &body)) << target;
    return body;
}

// Width and height from a JPEG's start-of-frame segment; {0, 0} when there is none.
std::pair<int, int> JpegSize(const std::string& jpeg) {
    if (jpeg.size() < 4 || static_cast<unsigned char>(jpeg[0]) != 0xFF ||
        static_cast<unsigned char>(jpeg[1]) != 0xD8)
        return {0, 0};
    std::size_t at = 2;
    while (at + 9 < jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
        const unsigned marker = static_cast<unsigned char>(jpeg[at + 1]);
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(jpeg[i]); };
        const std::size_t length = byte(at + 2) << 8 | byte(at + 3);
        if (marker >= 0xC0 && marker <= 0xC2)
            return {byte(at + 7) << 8 | byte(at + 8), byte(at + 5) << 8 | byte(at + 6)};
        at += 2 + length;
    }
    return {0, 0};
}

} // namespace

TEST(SiteSimScript, LinesMatchThePatternsAndAgreeWithThePopulation) {
    SiteSimProcess site({"--performers", "60", "--tick", "0", "--seed", "11"});
    const ParsedScript parsed = Parse(Fetch(site, kScript));

    EXPECT_GT(parsed.ordinaryLines, 5) << "the script should carry ordinary lines too";
    EXPECT_TRUE(parsed.addNamesMatch);
    ASSERT_GT(parsed.performers.size(), 10u);
    EXPECT_EQ(Population(site), parsed.performers);

    std::set<unsigned> statuses;
    bool capital = false, digit = false, underscore = false;
    for (const auto& [name, status] : parsed.performers) {
        statuses.insert(status);
        for (char c : name) {
            capital = capital || std::isupper(static_cast<unsigned char>(c));
            digit = digit || std::isdigit(static_cast<unsigned char>(c));
            underscore = underscore || c == '_';
        }
    }
    // Online only, free, public show, private show: every state a client has to tell apart.
    EXPECT_EQ((std::set<unsigned>{0x01, 0x03, 0x0D, 0x15}), statuses);
    EXPECT_TRUE(capital && digit && underscore);
}

TEST(SiteSimScript, SetStatesRoundTripThroughScriptAndPopulation) {
    SiteSimProcess site({"--performers", "3", "--tick", "0", "--seed", "1"});
    const std::pair<const char*, unsigned> cases[] = {
        {"private", 0x15}, {"busy", 0x0D}, {"public", 0x0D}, {"free", 0x03}, {"online", 0x01}};
    for (const auto& [state, status] : cases) {
        ASSERT_EQ(200, site.Get(std::string("/_control/set?name=New_Face9&state=") + state));
        const auto listed = Population(site);
        const auto scripted = Parse(Fetch(site, kScript)).performers;
        EXPECT_EQ(listed, scripted);
        const auto entry = std::find_if(listed.begin(), listed.end(),
                                        [](const auto& p) { return p.first == "New_Face9"; });
        ASSERT_NE(entry, listed.end()) << state;
        EXPECT_EQ(status, entry->second) << state;
    }
    ASSERT_EQ(200, site.Get("/_control/set?name=New_Face9&state=offline"));
    for (const auto& [name, status] : Parse(Fetch(site, kScript)).performers)
        EXPECT_NE("New_Face9", name);
    // Gone from the script, still a performer of the site.
    EXPECT_EQ(200, site.Get("/WebArchive/New_Face9/thumbs/LinkedImage.jpg"));

    EXPECT_EQ(400, site.Get("/_control/set?name=bad-name&state=free"));
    EXPECT_EQ(400, site.Get("/_control/set?name=x&state=sleeping"));
}

TEST(SiteSimScript, SeedsRepeatAndStepsChangeThePopulation) {
    SiteSimProcess a({"--performers", "30", "--tick", "0", "--seed", "42"});
    SiteSimProcess b({"--performers", "30", "--tick", "0", "--seed", "42"});
    SiteSimProcess other({"--performers", "30", "--tick", "0", "--seed", "43"});
    const std::string first = Fetch(a, kScript);
    EXPECT_EQ(first, Fetch(b, kScript));
    EXPECT_NE(first, Fetch(other, kScript));

    ASSERT_EQ(200, a.Get("/_control/tick"));
    ASSERT_EQ(200, b.Get("/_control/tick"));
    const std::string stepped = Fetch(a, kScript);
    EXPECT_NE(first, stepped);
    EXPECT_EQ(stepped, Fetch(b, kScript));
}

TEST(SiteSimScript, TicksStepOnTheirOwnAndAFixedScriptIsServed) {
    SiteSimProcess site({"--performers", "30", "--tick", "0.1", "--seed", "5"});
    const std::string first = Fetch(site, kScript);
    EXPECT_TRUE(WaitFor([&] { return Fetch(site, kScript) != first; }, 5000));

    const std::string file = TestEnvironment::MakeTempDir("script") + "/fixed.js";
    std::ofstream(file) << "a.viewers = 1\nonline_performers.add(a)"; // no final line end
    ASSERT_EQ(200, site.Get("/_control/script?file=" + file));
    EXPECT_EQ("a.viewers = 1\nonline_performers.add(a)", Fetch(site, kScript));
    EXPECT_EQ(404, site.Get("/_control/script?file=/nonexistent/file.js"));
}

TEST(SiteSimLogin, DecodesValuesAndAnswersFavouritesOrForbidden) {
    SiteSimProcess site({"--tick", "0", "--account", "anna:p&=# %+x:alice,Bob_2,_x9,dana",
                         "--account", "colon:a:b:"});
    std::string body;
    ASSERT_EQ(200, site.Get("/zirovudaroro?username=anna&password=p%26%3D%23%20%25+x", &body));

    // The client's rule: the first run of letters, digits and underscores on each line.
    static const std::regex name("([[:alnum:]_]+)", std::regex::extended);
    std::set<std::string> names;
    bool emptyLine = false, untidyLine = false;
    for (const auto& line : Lines(body)) {
        std::smatch match;
        emptyLine = emptyLine || line.empty();
        if (std::regex_search(line, match, name)) {
            names.insert(match[1]);
            untidyLine = untidyLine || match[0] != line;
        }
    }
    EXPECT_EQ((std::set<std::string>{"alice", "Bob_2", "_x9", "dana"}), names);
    EXPECT_TRUE(emptyLine && untidyLine);
    EXPECT_NE(std::string::npos, body.find("\r\n"));

    ASSERT_EQ(200, site.Get("/zirovudaroro?username=colon&password=a%3Ab", &body));
    EXPECT_TRUE(Lines(body).empty() || Lines(body) == std::vector<std::string>{""});

    const char* const refused[] = {
        "/zirovudaroro?username=anna&password=p&=%23%20%25+x",       // '&' unencoded: another query
        "/zirovudaroro?username=anna&password=p%26%3D%23%20%25%20x", // '+' is not a space
        "/zirovudaroro?username=nobody&password=p%26%3D%23%20%25+x",
        "/zirovudaroro?username=anna",
    };
    for (const char* target : refused) {
        const RawReply reply = RawHttp::Get(site.Port(), target, site.HostPort());
        EXPECT_EQ(403, reply.status) << target;
        EXPECT_TRUE(reply.body.empty()) << target;
    }
}

TEST(SiteSimThumbnails, DistinctPicturesForKnownNamesOnly) {
    SiteSimProcess site(
        {"--performers", "5", "--tick", "0", "--seed", "2", "--account", "u:p:Only_Favourite"});
    const auto performers = Parse(Fetch(site, kScript)).performers;
    ASSERT_GE(performers.size(), 2u);
    std::set<std::string> pictures;
    for (const std::string& performer :
         {performers[0].first, performers[1].first, std::string("Only_Favourite")}) {
        const RawReply reply = RawHttp::Get(
            site.Port(), "/WebArchive/" + performer + "/thumbs/LinkedImage.jpg", "web.example");
        EXPECT_EQ(200, reply.status) << performer;
        EXPECT_EQ("image/jpeg", reply.Header("content-type"));
        EXPECT_EQ((std::pair<int, int>{320, 240}), JpegSize(reply.body)) << performer;
        pictures.insert(reply.body);
    }
    EXPECT_EQ(3u, pictures.size());

    ASSERT_EQ(200, site.Get("/_control/fault?path=%2FWebArchive&mode=bigimage&count=1"));
    const std::string target = "/WebArchive/" + performers[0].first + "/thumbs/LinkedImage.jpg";
    EXPECT_EQ((std::pair<int, int>{10000, 10000}), JpegSize(Fetch(site, target)));
    EXPECT_EQ((std::pair<int, int>{320, 240}), JpegSize(Fetch(site, target)));
    EXPECT_EQ(404, site.Get("/WebArchive/Nobody_Here/thumbs/LinkedImage.jpg"));

    // The log keeps the Host header that the image request carried.
    const auto log = site.LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "GET\t/WebArchive/Only_Favourite/thumbs/LinkedImage.jpg\tweb.example"),
              log.end());
}

TEST(SiteSimPreview, PagesForPerformersAndEcho) {
    SiteSimProcess site({"--performers", "0", "--tick", "0"});
    ASSERT_EQ(200, site.Get("/_control/set?name=Pia_7&state=free"));
    const RawReply page = RawHttp::Get(site.Port(), "/preview.shtml?Pia_7", site.HostPort());
    EXPECT_EQ(200, page.status);
    EXPECT_EQ("text/html", page.Header("content-type"));
    EXPECT_NE(std::string::npos, page.body.find("Pia_7"));
    EXPECT_EQ(404, site.Get("/preview.shtml?Nobody"));

    const RawReply echo =
        RawHttp::Get(site.Port(), "/_echo", "web.example:8080", {"Authorization: Basic bmFtZTo="});
    EXPECT_NE(std::string::npos, echo.body.find("Authorization: Basic bmFtZTo=\n"));
    EXPECT_NE(std::string::npos, echo.body.find("Host: web.example:8080\n"));

    // A request without Host is logged with "-".
    RawHttp::Get(site.Port(), "/_echo?x=1", "");
    const auto log = site.LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("GET\t/_echo?x=1\t-", log.back());
}

TEST(SiteSimUpdates, OffersFilesOnlyToOlderVersions) {
    const std::string dir = TestEnvironment::MakeTempDir("updates");
    std::ofstream(dir + "/roduviriz.so") << std::string(3000, 'M');
    std::ofstream(dir + "/roduviriz.skin") << "skin";
    std::ofstream(dir + "/roduviriz.mo") << "catalogue";
    SiteSimProcess site({"--tick", "0", "--updates", dir, "--latest", "1.4.0"});
    SiteSimProcess none({"--tick", "0"});

    const auto get = [&](const SiteSimProcess& s, const std::string& query) {
        return RawHttp::Get(s.Port(), "/cgi-bin/app/update.cgi?" + query, s.HostPort());
    };
    const std::pair<const char*, std::string> offered[] = {
        {"version=1.3.0", std::string(3000, 'M')},
        {"version=1.3.9&type=skin", "skin"},
        {"version=0.9&type=mo", "catalogue"},
    };
    for (const auto& [query, content] : offered) {
        const RawReply reply = get(site, query);
        EXPECT_EQ(200, reply.status) << query;
        EXPECT_EQ("application/octet-stream", reply.Header("content-type")) << query;
        EXPECT_EQ(std::to_string(content.size()), reply.Header("content-length")) << query;
        EXPECT_EQ(content, reply.body) << query;
    }
    EXPECT_EQ(404, get(site, "version=1.3.0&type=manifest").status);

    // Up to date (numbers compare as numbers: 1.10 is newer than 1.4), or no updates at all.
    for (const RawReply& reply :
         {get(site, "version=1.4.0"), get(site, "version=1.10.0"), get(none, "version=1.3.0")}) {
        EXPECT_EQ(200, reply.status);
        EXPECT_EQ("text/html", reply.Header("content-type"));
    }
}
