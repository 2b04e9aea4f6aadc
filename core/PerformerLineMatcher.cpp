#include "core/PerformerLineMatcher.h"

namespace {
// The literal runs of the two expressions (the "." between them is any one character).
constexpr std::string_view VIEWERS = "viewers = ";
constexpr std::string_view PERFORMERS = "_performers";
constexpr std::string_view ADD = "add(";

// The bracket classes on ASCII.
bool IsAlpha(char c) {
    return static_cast<unsigned char>((c | 0x20) - 'a') < 26;
}
bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}
bool IsWord(char c) {
    return IsAlpha(c) || IsDigit(c) || c == '_';
}

bool HasAt(std::string_view line, size_t at, std::string_view literal) {
    return at <= line.size() && line.substr(at, literal.size()) == literal;
}
} // namespace

bool PerformerLineMatcher::MatchPerformer(std::string_view line, std::string_view& name) {
    // A match is a run of word characters (the name), any one character, the literal and a
    // digit. The first literal followed by a digit, with a word character two places before it,
    // gives the leftmost match: the name starts where that character's word run starts (a later
    // literal has its run further on) and, greedy as it is, still ends one place before the
    // literal, since the run ends at the literal's space at the latest and no later literal
    // starts before that.
    for (size_t at = line.find(VIEWERS, 2); at != std::string_view::npos;
         at = line.find(VIEWERS, at + 1)) {
        const size_t digit = at + VIEWERS.size();
        if (digit >= line.size())
            return false;
        if (!IsDigit(line[digit]) || !IsWord(line[at - 2]))
            continue;
        size_t begin = at - 2;
        while (begin > 0 && IsWord(line[begin - 1]))
            --begin;
        name = line.substr(begin, at - 1 - begin);
        return true;
    }
    return false;
}

bool PerformerLineMatcher::MatchCategory(std::string_view line, std::string_view& word) {
    // A match is a run of letters (the word) right before the literal, any one character,
    // "add(", a run of word characters and ")". The letters cannot run into the literal's "_",
    // so the word is the whole run of letters before it, and the first literal that completes
    // a match gives the leftmost one.
    for (size_t at = line.find(PERFORMERS, 1); at != std::string_view::npos;
         at = line.find(PERFORMERS, at + 1)) {
        const size_t add = at + PERFORMERS.size() + 1;
        if (!IsAlpha(line[at - 1]) || !HasAt(line, add, ADD))
            continue;
        const size_t argument = add + ADD.size();
        size_t end = argument;
        while (end < line.size() && IsWord(line[end]))
            ++end;
        if (end == argument || end == line.size() || line[end] != ')')
            continue;
        size_t begin = at - 1;
        while (begin > 0 && IsAlpha(line[begin - 1]))
            --begin;
        word = line.substr(begin, at - begin);
        return true;
    }
    return false;
}
