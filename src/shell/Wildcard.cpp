#include "shell/Wildcard.h"

#include <cstddef>
#include <vector>

namespace rq50::shell {

namespace {

/// One element of a parsed pattern.
struct Token {
    enum Kind { Literal, AnyRun, AnyOne, Digit, Set } kind = Literal;
    char ch = 0;
    bool negated = false;
    std::string_view set;  // the text between "[" (or "[!") and "]"
};

std::vector<Token> Parse(std::string_view pattern) {
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        Token t;
        if (c == '*') {
            // A run of stars matches what one star matches.
            if (!tokens.empty() && tokens.back().kind == Token::AnyRun) continue;
            t.kind = Token::AnyRun;
        } else if (c == '?') {
            t.kind = Token::AnyOne;
        } else if (c == '#') {
            t.kind = Token::Digit;
        } else if (c == '[') {
            std::size_t start = i + 1;
            bool negated = start < pattern.size() && pattern[start] == '!';
            if (negated) ++start;
            const std::size_t close = pattern.find(']', start);
            if (close == std::string_view::npos) {
                t.kind = Token::Literal;
                t.ch = c;
            } else {
                t.kind = Token::Set;
                t.negated = negated;
                t.set = pattern.substr(start, close - start);
                i = close;
            }
        } else {
            t.kind = Token::Literal;
            t.ch = c;
        }
        tokens.push_back(t);
    }
    return tokens;
}

bool InSet(std::string_view set, char c) {
    const auto uc = static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (i + 2 < set.size() && set[i + 1] == '-') {
            const auto lo = static_cast<unsigned char>(set[i]);
            const auto hi = static_cast<unsigned char>(set[i + 2]);
            if (lo <= uc && uc <= hi) return true;
            i += 2;
        } else if (set[i] == c) {
            return true;
        }
    }
    return false;
}

bool MatchOne(const Token& t, char c) {
    switch (t.kind) {
        case Token::Literal:
            return t.ch == c;
        case Token::AnyOne:
            return true;
        case Token::Digit:
            return c >= '0' && c <= '9';
        case Token::Set:
            return InSet(t.set, c) != t.negated;
        case Token::AnyRun:
            break;
    }
    return false;
}

}  // namespace

bool WildcardMatch(std::string_view text, std::string_view pattern) {
    const std::vector<Token> tokens = Parse(pattern);
    // Greedy walk with one backtrack point: the last star seen.
    std::size_t ti = 0, pi = 0;
    std::size_t starToken = std::string_view::npos, starText = 0;
    while (ti < text.size()) {
        if (pi < tokens.size() && tokens[pi].kind == Token::AnyRun) {
            starToken = pi++;
            starText = ti;
        } else if (pi < tokens.size() && MatchOne(tokens[pi], text[ti])) {
            ++pi;
            ++ti;
        } else if (starToken != std::string_view::npos) {
            pi = starToken + 1;
            ti = ++starText;
        } else {
            return false;
        }
    }
    while (pi < tokens.size() && tokens[pi].kind == Token::AnyRun) ++pi;
    return pi == tokens.size();
}

}  // namespace rq50::shell
