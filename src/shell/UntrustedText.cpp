#include "shell/UntrustedText.h"

#include <cstdio>

namespace rq50::shell {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string Escaped(unsigned char c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
    return buffer;
}

}  // namespace

bool IsPlainNumber(std::string_view text) {
    // The instrument's texts are blank-padded; a spreadsheet reads past blanks.
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exponent = 0;
        while (i < text.size() && IsDigit(text[i])) ++i, ++exponent;
        if (exponent == 0) return false;
    }
    return i == text.size();
}

std::string SpreadsheetText(std::string_view text) {
    if (text.empty()) return {};
    switch (text.front()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            if (!IsPlainNumber(text)) return "'" + std::string(text);
            break;
        default:
            break;
    }
    return std::string(text);
}

std::string TerminalText(std::string_view text, bool keepLineBreaks) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            const bool pass = c >= 0x20 ? c != 0x7f : keepLineBreaks && (c == '\n' || c == '\t');
            out += pass ? std::string(1, static_cast<char>(c)) : Escaped(c);
            ++i;
            continue;
        }
        // A whole UTF-8 sequence passes, except U+0080..U+009F, the C1
        // controls (CSI is U+009B); a byte that starts no whole sequence is
        // shown as a byte.
        const std::size_t length = c >= 0xf0 && c < 0xf5 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 ? 2 : 0;
        bool whole = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; whole && k < length; ++k)
            whole = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
        if (!whole) {
            out += Escaped(c);
            ++i;
        } else if (c == 0xc2 && static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
            out += Escaped(static_cast<unsigned char>(text[i + 1]));
            i += 2;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string ShellWord(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

}  // namespace rq50::shell
