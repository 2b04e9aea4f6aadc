#pragma once

#include <string_view>

// The performer script's two line expressions, decided by hand for a line of ASCII bytes. Most
// lines of a script match neither, and running the expressions (with the line widened for
// them) cost most of a parse. On such a line this accepts exactly what the expressions accept
// and gives the same first group; the expressions stay the definition, and lines with other
// bytes still go to them.
class PerformerLineMatcher {
public:
    // Searched anywhere in a line; "." is any character, as the site's script has it.
    static constexpr const char PERFORMER_PATTERN[] = "([[:alnum:]_]+).viewers = ([[:digit:]]+)";
    static constexpr const char CATEGORY_PATTERN[] =
        "([[:alpha:]]+)_performers.add\\(([[:alnum:]_]+)\\)";

    // For a line of bytes below 0x80 without line ends: whether PERFORMER_PATTERN matches it;
    // name is then the first group of the match the expression finds.
    static bool MatchPerformer(std::string_view line, std::string_view& name);
    // The same for CATEGORY_PATTERN; word is the first group.
    static bool MatchCategory(std::string_view line, std::string_view& word);
};
