// The login check's reply and request, without a window or a network.
#include "ui/frame/FavoritesReplyParser.h"
#include "ui/frame/LoginQuery.h"

#include <gtest/gtest.h>
#include <wx/tokenzr.h>

#include <string>

namespace {

FavoritesReplyParser::NameSet Parse(const std::string& body) {
    FavoritesReplyParser parser;
    parser.Parse(body.data(), body.size());
    return parser.GetNames();
}

FavoritesReplyParser::NameSet Set(std::initializer_list<const char*> names) {
    FavoritesReplyParser::NameSet set;
    for (const char* name : names)
        set.insert(name);
    return set;
}

} // namespace

TEST(FavoritesReplyParser, TakesTheFirstNameRunOfEachLine) {
    // Punctuation before the name, a second run after it, empty lines: one name per line.
    EXPECT_EQ(Set({"alice", "bob_2"}), Parse("  #alice-x, note\n\nbob_2 3\n\n"));
    EXPECT_EQ(Set({}), Parse("\n\r\n -- ,, !\n"));
    EXPECT_EQ(Set({}), Parse(""));
}

TEST(FavoritesReplyParser, EveryLineEndCountsAndTheLastLineNeedsNone) {
    EXPECT_EQ(Set({"a", "b", "c", "d"}), Parse("a\rb\r\nc\nd"));
    EXPECT_EQ(Set({"only"}), Parse("only"));
    // CR LF is one line end, not an empty line between two.
    EXPECT_EQ(Set({"x", "y"}), Parse("x\r\n\r\ny\r\n"));
}

TEST(FavoritesReplyParser, KeepsEachNameOnceAndWritesTheFavoritesValue) {
    FavoritesReplyParser parser;
    const std::string body = "bob\nalice\nbob\nalice extra\n";
    parser.Parse(body.data(), body.size());
    EXPECT_EQ(Set({"alice", "bob"}), parser.GetNames());

    const wxString value = parser.GetFavoritesValue();
    EXPECT_TRUE(value.EndsWith(","));
    wxStringTokenizer pieces(value, ",");
    FavoritesReplyParser::NameSet seen;
    size_t count = 0;
    while (pieces.HasMoreTokens()) {
        seen.insert(pieces.GetNextToken());
        ++count;
    }
    EXPECT_EQ(2u, count);
    EXPECT_EQ(parser.GetNames(), seen);

    FavoritesReplyParser empty;
    empty.Parse("\n", 1);
    EXPECT_EQ("", empty.GetFavoritesValue());
}

TEST(FavoritesReplyParser, SurvivesBytesThatAreNoText) {
    // Invalid UTF-8 and a NUL inside a line must neither throw nor hide the other lines.
    const char raw[] = "\xff\xfe\x80\nbob\nal\0ice\n\xc3";
    const std::string body(raw, sizeof raw - 1);
    const auto names = Parse(body);
    EXPECT_EQ(1u, names.count("bob"));
    EXPECT_EQ(1u, names.count("al"));
    EXPECT_EQ(0u, names.count("alice"));

    FavoritesReplyParser parser;
    parser.Parse(nullptr, 10);
    EXPECT_TRUE(parser.GetNames().empty());
}

TEST(LoginQuery, EncodesEverythingButUnreservedCharacters) {
    EXPECT_EQ("/zirovudaroro?username=demo&password=secret", LoginQuery::Build("demo", "secret"));
    // The characters that would split or end the query, the escape character itself, and
    // text beyond ASCII (as UTF-8).
    EXPECT_EQ("%26%3D%23%25%20%2B%3F%2F", LoginQuery::PercentEncode("&=#% +?/"));
    EXPECT_EQ("A-z_0.9~", LoginQuery::PercentEncode("A-z_0.9~"));
    EXPECT_EQ("%C3%A9%E2%82%AC",
              LoginQuery::PercentEncode(wxString::FromUTF8("\xc3\xa9\xe2\x82\xac")));
    EXPECT_EQ("/zirovudaroro?username=a%26password%3Dx&password=",
              LoginQuery::Build("a&password=x", ""));
}
