#include "core/PerformerScriptParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Feeds the script in pieces of the given size (0: all at once).
UserList Parse(const std::string& script, size_t piece = 0) {
    PerformerScriptParser parser;
    if (piece == 0) {
        parser.Feed(script.data(), script.size());
    } else {
        for (size_t at = 0; at < script.size(); at += piece)
            parser.Feed(script.data() + at, std::min(piece, script.size() - at));
    }
    parser.Finish();
    return parser.GetUserList();
}

std::string Performer(const std::string& name, const std::vector<std::string>& words) {
    std::string text = name + ".viewers = 7;\n";
    for (const auto& word : words)
        text += word + "_performers.add(" + name + ");\n";
    return text;
}

unsigned long StatusAfter(const std::vector<std::string>& words) {
    const UserList list = Parse(Performer("p", words));
    const User* user = list.FindUser("p");
    return user ? user->GetStatus() : 0xDEADu;
}

} // namespace

TEST(PerformerScriptParserTest, CategoryWordsAndTheirOrder) {
    struct Case {
        std::vector<std::string> words;
        unsigned long status;
    };
    const Case cases[] = {
        {{}, 0x00},
        {{"online"}, 0x01},
        {{"free"}, 0x03},
        {{"busy"}, 0x0D},
        {{"public"}, 0x0D},
        {{"private"}, 0x15},
        {{"online", "busy"}, 0x0D},
        {{"private", "busy"}, 0x15},
        {{"busy", "private"}, 0x15},
        {{"public", "free"}, 0x03},
        {{"private", "free"}, 0x03},
        {{"free", "busy"}, 0x0D},
        {{"private", "public"}, 0x0D},
        {{"public", "private"}, 0x15},
        {{"free", "online"}, 0x03},
        {{"away"}, 0x00},
        {{"Online"}, 0x00},
        {{"online", "vip", "FREE"}, 0x01},
    };
    for (const Case& c : cases) {
        std::string words;
        for (const auto& w : c.words)
            words += w + " ";
        EXPECT_EQ(StatusAfter(c.words), c.status) << "after: " << words;
    }
}

TEST(PerformerScriptParserTest, EveryOrderKeepsTheFlagInvariants) {
    const std::vector<std::string> words = {"online", "free", "busy", "public", "private"};
    // Every sequence of up to four category words, as the site may list them in any order.
    std::vector<std::vector<std::string>> sequences = {{}};
    for (int length = 0; length < 4; ++length) {
        const size_t count = sequences.size();
        for (size_t i = 0; i < count; ++i) {
            if (sequences[i].size() != static_cast<size_t>(length))
                continue;
            for (const auto& word : words) {
                auto longer = sequences[i];
                longer.push_back(word);
                sequences.push_back(longer);
            }
        }
    }
    for (const auto& sequence : sequences) {
        unsigned long flags = 0;
        for (const auto& word : sequence)
            flags = PerformerScriptParser::ApplyCategory(flags, word);
        SCOPED_TRACE(::testing::Message() << "flags 0x" << std::hex << flags);
        EXPECT_EQ(flags & ~0x1FUL, 0u);
        EXPECT_FALSE((flags & User::FREE) && (flags & User::BUSY));
        EXPECT_FALSE((flags & User::PUBLIC) && (flags & User::PRIVATE));
        const bool busy = flags & User::BUSY;
        const bool shown = flags & (User::PUBLIC | User::PRIVATE);
        EXPECT_TRUE(!busy || ((flags & User::PUBLIC) != 0) != ((flags & User::PRIVATE) != 0));
        EXPECT_EQ(shown, busy);
        EXPECT_TRUE(flags == 0 || (flags & User::ONLINE));
        EXPECT_EQ(StatusAfter(sequence), flags);
    }
}

TEST(PerformerScriptParserTest, PerformersAndTheLinesAroundThem) {
    const std::string script = "// performers online\n"
                               "var online_performers = new PerformerList();\n"
                               "free_performers.add(nobody);\n" // counts toward the first
                               "anna.viewers = 12;\n"
                               "bob_2.viewers = 0;\n" // no category line: offline
                               "carl.viewers = 3; busy_performers.add(carl);\n"
                               "busy_performers.add(someone_else);\n" // position decides
                               "dora.viewers = many;\n"               // not a performer line
                               "anna.viewers = 5;\n"                  // again: second wins
                               "private_performers.add(anna);\n"
                               "document.write('x.viewers = 1');\n";
    const UserList list = Parse(script);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list.GetUser("anna").GetStatus(), 0x15u);
    EXPECT_EQ(list.GetUser("bob_2").GetStatus(), 0x00u);
    EXPECT_EQ(list.GetUser("carl").GetStatus(), 0x0Du);
    // The quoted text still matches the performer pattern, which searches anywhere.
    EXPECT_EQ(list.GetUser("x").GetStatus(), 0x00u);
    EXPECT_EQ(list.FindUser("dora"), nullptr);
    EXPECT_EQ(list.FindUser("nobody"), nullptr);

    // Category lines before the first performer line count toward it.
    const UserList early = Parse("online_performers.add(a);\nfree_performers.add(a);\n"
                                 "first.viewers = 1;\nsecond.viewers = 2;\n");
    EXPECT_EQ(early.GetUser("first").GetStatus(), 0x03u);
    EXPECT_EQ(early.GetUser("second").GetStatus(), 0x00u);

    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse("\n\n// nothing here\nonline_performers.add(a);\n").empty());
}

TEST(PerformerScriptParserTest, FinalLineCountsWithoutLineEnd) {
    EXPECT_EQ(Parse("a.viewers = 1;\nonline_performers.add(a);\nbusy_performers.add(a);")
                  .GetUser("a")
                  .GetStatus(),
              0x0Du);
    const UserList last = Parse("a.viewers = 1;\nonline_performers.add(a);\nb.viewers = 2;");
    EXPECT_EQ(last.GetUser("a").GetStatus(), 0x01u);
    ASSERT_NE(last.FindUser("b"), nullptr);
    EXPECT_EQ(last.GetUser("b").GetStatus(), 0x00u);
}

TEST(PerformerScriptParserTest, LineEndsAndPiecesDoNotChangeTheResult) {
    std::string script;
    for (int i = 0; i < 40; ++i)
        script += Performer("p" + std::to_string(i),
                            i % 3 == 0   ? std::vector<std::string>{"online", "free"}
                            : i % 3 == 1 ? std::vector<std::string>{"online", "private"}
                                         : std::vector<std::string>{});
    const UserList whole = Parse(script);
    ASSERT_EQ(whole.size(), 40u);
    for (size_t piece : {1u, 2u, 3u, 7u, 64u, 1000u}) {
        const UserList pieces = Parse(script, piece);
        UserList added, deleted, changed;
        whole.GetDifference(pieces, added, deleted, changed);
        EXPECT_TRUE(added.empty() && deleted.empty() && changed.empty()) << "pieces of " << piece;
    }

    std::string crlf;
    for (char c : script) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    const UserList windows = Parse(crlf, 5);
    EXPECT_EQ(windows.size(), 40u);
    EXPECT_EQ(windows.GetUser("p1").GetStatus(), 0x15u);
    EXPECT_EQ(windows.GetUser("p0").GetStatus(), 0x03u);
}

TEST(PerformerScriptParserTest, ReusedParserStartsAfreshAndCanBeStopped) {
    PerformerScriptParser parser;
    const std::string first = Performer("a", {"busy"}) + "b.viewers = 1;\nonline_perf";
    parser.Feed(first.data(), first.size());
    parser.Reset();
    const std::string second = "ormers.add(b);\n" + Performer("c", {"free"});
    parser.Feed(second.data(), second.size());
    parser.Finish();
    ASSERT_EQ(parser.GetUserList().size(), 1u);
    EXPECT_EQ(parser.GetUserList().GetUser("c").GetStatus(), 0x03u);

    // The hook runs once per stored performer; returning false stops the parse at once.
    parser.Reset();
    std::string script;
    for (int i = 0; i < 10; ++i)
        script += Performer("p" + std::to_string(i), {"online"});
    int stored = 0;
    EXPECT_FALSE(parser.Feed(script.data(), script.size(), [&] { return ++stored < 3; }));
    EXPECT_EQ(stored, 3);
    EXPECT_EQ(parser.GetUserList().size(), 3u);

    parser.Reset();
    stored = 0;
    EXPECT_TRUE(parser.Feed(script.data(), script.size(), [&] { return ++stored > 0; }));
    EXPECT_TRUE(parser.Finish([&] { return ++stored > 0; }));
    EXPECT_EQ(stored, 10);
}

TEST(PerformerScriptParserTest, OversizedLineIsCutNotHeld) {
    std::string script = "a.viewers = 1;\n";
    script += std::string(PerformerScriptParser::MAX_LINE_BYTES * 4, 'x');
    script += " online_performers.add(a);\nb.viewers = 2;\nfree_performers.add(b);\n";
    const UserList list = Parse(script, 4096);
    ASSERT_EQ(list.size(), 2u);
    // The category call lay beyond the cut.
    EXPECT_EQ(list.GetUser("a").GetStatus(), 0x00u);
    EXPECT_EQ(list.GetUser("b").GetStatus(), 0x03u);
}
