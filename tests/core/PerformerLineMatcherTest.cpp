// The hand matcher against the expressions it stands in for: every generated line must get the
// same verdict and the same first group (same place, same length) from both. The lines are made
// from the expressions' literals, their classes' characters and near misses of both, NUL and
// other control bytes, long digit runs and several candidate matches on one line.
#include "core/PerformerLineMatcher.h"
#include "core/PerformerScriptParser.h"

#include <gtest/gtest.h>
#include <wx/regex.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Where a first group lies in its line; offset npos: no match.
struct Group {
    size_t offset = std::string::npos;
    size_t length = 0;
    bool operator==(const Group& other) const {
        return offset == other.offset && length == other.length;
    }
};

std::ostream& operator<<(std::ostream& out, const Group& group) {
    if (group.offset == std::string::npos)
        return out << "no match";
    return out << "group at " << group.offset << ", " << group.length << " long";
}

// The line as the expressions see it: each byte one character, NUL bytes kept.
wxString Widen(const std::string& line) {
    return wxString(std::wstring(line.begin(), line.end()));
}

Group ByExpression(wxRegEx& expression, const std::string& line) {
    Group group;
    if (expression.Matches(Widen(line)) && !expression.GetMatch(&group.offset, &group.length, 1))
        group.offset = std::string::npos;
    return group;
}

using Matcher = bool (*)(std::string_view, std::string_view&);

Group ByMatcher(Matcher match, const std::string& line) {
    Group group;
    std::string_view found;
    if (match(line, found)) {
        group.offset = static_cast<size_t>(found.data() - line.data());
        group.length = found.size();
    }
    return group;
}

// Builds lines from the pieces the expressions care about.
class LineMaker {
public:
    explicit LineMaker(unsigned seed) : m_random(seed) {}

    std::string Line() {
        std::string line;
        for (int pieces = Pick(1, 9); pieces > 0; --pieces)
            line += Piece();
        return line;
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    std::string Run(const char* characters, int low, int high) {
        const std::string_view set(characters);
        std::string run;
        for (int n = Pick(low, high); n > 0; --n)
            run += set[static_cast<size_t>(Pick(0, static_cast<int>(set.size()) - 1))];
        return run;
    }

    std::string Piece() {
        static const std::vector<std::string> fixed = {
            "viewers = ", "_performers", "add(", ")", ".", " ", "_", "=", "(", ";",
            // Near misses of the literals.
            "viewers =", "viewers  = ", "Viewers = ", "iewers = ", "viewers", " = ", "_perform",
            "performers", "_Performers", "add", "add (", "Add(", "add()", "_performers.add",
            // Whole calls and assignments, so that one line holds several candidates.
            ".viewers = ", "_performers.add(", "online_performers.add(a)", "x.viewers = 12", "busy",
            "free", "private", "public", "online",
            // Bytes the classes exclude but "." takes.
            std::string(1, '\0'), "\t", "\x7f", "\x01", "\v", "\f", "\x1f", "'", "-"};
        static const char* const letters = "abcxyzABCXYZ";
        static const char* const word = "abzAZ09_";
        static const char* const digits = "0123456789";
        switch (Pick(0, 9)) {
        case 0:
        case 1:
        case 2:
            return fixed[static_cast<size_t>(Pick(0, static_cast<int>(fixed.size()) - 1))];
        case 3:
            return Run(letters, 1, 8);
        case 4:
            return Run(word, 1, 8);
        case 5:
            return Run(digits, 1, Pick(0, 3) == 0 ? 60 : 4);
        case 6: {
            // Any ASCII byte but the line ends, which never reach the matcher.
            std::string any(1, static_cast<char>(Pick(0, 127)));
            return any[0] == '\n' || any[0] == '\r' ? std::string("#") : any;
        }
        case 7:
            return Run(word, 1, 6) + Run("._ =;(v", 1, 1) + "viewers = " + Run(digits, 0, 3);
        case 8:
            return Run(letters, 0, 6) + "_performers" + Run(".( _a", 1, 1) + "add(" +
                   Run(word, 0, 5) + Run("));. ", 0, 1);
        default:
            return Run(" ._=v", 1, 3);
        }
    }

    std::mt19937 m_random;
};

class PerformerLineMatcherTest : public ::testing::Test {
protected:
    // Compares both matchers with their expressions on the line; false on a difference.
    bool Agree(const std::string& line) {
        const Group performerWant = ByExpression(m_performer, line);
        const Group performerGot = ByMatcher(&PerformerLineMatcher::MatchPerformer, line);
        const Group categoryWant = ByExpression(m_category, line);
        const Group categoryGot = ByMatcher(&PerformerLineMatcher::MatchCategory, line);
        m_performerMatches += performerWant.offset != std::string::npos;
        m_categoryMatches += categoryWant.offset != std::string::npos;
        EXPECT_EQ(performerGot, performerWant) << "performer expression on " << Shown(line);
        EXPECT_EQ(categoryGot, categoryWant) << "category expression on " << Shown(line);
        return performerGot == performerWant && categoryGot == categoryWant;
    }

    static std::string Shown(const std::string& line) {
        std::string shown = "\"";
        for (const char c : line) {
            if (c >= 0x20 && c < 0x7f) {
                shown += c;
            } else {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
                shown += escaped;
            }
        }
        return shown + "\"";
    }

    wxRegEx m_performer{PerformerLineMatcher::PERFORMER_PATTERN, wxRE_EXTENDED};
    wxRegEx m_category{PerformerLineMatcher::CATEGORY_PATTERN, wxRE_EXTENDED};
    size_t m_performerMatches = 0;
    size_t m_categoryMatches = 0;
};

} // namespace

TEST_F(PerformerLineMatcherTest, AgreesWithTheExpressionsOnChosenLines) {
    ASSERT_TRUE(m_performer.IsValid() && m_category.IsValid());
    const std::string lines[] = {
        "",
        "a.viewers = 1",
        "ab.viewers = 1;",
        ".viewers = 1",
        "a.viewers = ",
        "a.viewers = x",
        "abcviewers = 1", // the "." is the name's last letter
        "a viewers = 1",  // the "." is a space: the name is "a"
        "_.viewers = 0000000000000000000000000000000000000000000000000012",
        "a.viewers = 1 b.viewers = 2", // the leftmost match counts
        "a-b.viewers = 1",
        "x.viewers = 1viewers = 2",  // the second literal lies in the first name's run
        "q.viewers = 1.viewers = 2", // ... and here in a run that starts later
        "abviewers = viewers = 3",
        std::string("a\0viewers = 1", 13),
        std::string("\0a.viewers = 1", 14),
        "online_performers.add(a)",
        "online_performers.add(a",
        "online_performers.add()",
        "online_performers.add(a)b)",
        "online_performers.add(a-b)",
        "_performers.add(a)",
        "9_performers.add(a)",
        "on1ine_performers.add(a)",
        "free_performers(add(a)",
        "free_performersXadd(a) busy_performers.add(b)",
        "free_performers.add( busy_performers.add(b)",
        "var a = new Performer('a'); a.viewers = 3; online_performers.add(a);",
        "document.write('x.viewers = 1')",
    };
    for (const std::string& line : lines)
        Agree(line);
    EXPECT_GT(m_performerMatches, 5u);
    EXPECT_GT(m_categoryMatches, 5u);
}

TEST_F(PerformerLineMatcherTest, AgreesWithTheExpressionsOnEveryShortSequence) {
    // Every sequence of up to five of these pieces: each literal (and the category call's
    // literals with the "." between them, so that five pieces can hold a whole call), a
    // character of every class, and characters outside them.
    const std::vector<std::string> pieces = {
        "viewers = ", "_performers", "add(", "_performers.add(",  ")", "a",
        "7",          "_",           " ",    std::string(1, '\0')};
    std::vector<std::string> lines = {""};
    for (size_t from = 0, length = 0; length < 5; ++length) {
        const size_t to = lines.size();
        for (size_t i = from; i < to; ++i)
            for (const std::string& piece : pieces)
                lines.push_back(lines[i] + piece);
        from = to;
    }
    size_t differences = 0;
    for (const std::string& line : lines)
        differences += !Agree(line);
    EXPECT_EQ(differences, 0u) << "of " << lines.size() << " lines";
    EXPECT_GT(m_performerMatches, 1000u);
    EXPECT_GT(m_categoryMatches, 100u);
}

TEST_F(PerformerLineMatcherTest, AgreesWithTheExpressionsOnRandomLines) {
    LineMaker maker(20261208);
    size_t differences = 0;
    const size_t count = 60000;
    for (size_t i = 0; i < count && differences < 20; ++i)
        differences += !Agree(maker.Line());
    EXPECT_EQ(differences, 0u);
    // The lines reach the matches, not only the misses.
    EXPECT_GT(m_performerMatches, count / 20);
    EXPECT_GT(m_categoryMatches, count / 20);
}

TEST(PerformerScriptParserDifferentialTest, BytesGiveWhatTheExpressionsGive) {
    // Whole scripts of such lines, fed as bytes in random pieces (the hand-matched path), against
    // the same lines given one by one as decoded text (the expressions).
    LineMaker maker(7);
    std::mt19937 random(11);
    size_t users = 0;
    for (int script = 0; script < 300; ++script) {
        std::vector<std::string> lines;
        for (int n = std::uniform_int_distribution<int>(1, 60)(random); n > 0; --n)
            lines.push_back(maker.Line());
        std::string bytes;
        for (const std::string& line : lines)
            bytes += line + (random() % 8 == 0 ? "\r\n" : "\n");

        PerformerScriptParser fed;
        const size_t piece = 1 + random() % 97;
        for (size_t at = 0; at < bytes.size(); at += piece)
            fed.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
        fed.Finish();
        PerformerScriptParser decoded;
        for (const std::string& line : lines)
            decoded.ParseLine(Widen(line));
        decoded.Finish();

        UserList added, deleted, changed;
        decoded.GetUserList().GetDifference(fed.GetUserList(), added, deleted, changed);
        ASSERT_TRUE(added.empty() && deleted.empty() && changed.empty())
            << "script " << script << ": " << added.size() << " added, " << deleted.size()
            << " deleted, " << changed.size() << " changed";
        users += fed.GetUserList().size();
    }
    EXPECT_GT(users, 1000u);
}
