#include "files/SingleByteText.h"

#include <cstdint>

namespace rq50::files {

namespace {

// Decodes one UTF-8 character at `pos`; returns false (and leaves `pos`) when
// the bytes there are not a valid sequence.
bool NextCodePoint(std::string_view s, std::size_t& pos, std::uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    std::size_t length = 0;
    if (b0 < 0x80) {
        cp = b0;
        ++pos;
        return true;
    }
    if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        cp = b0 & 0x07;
    } else {
        return false;
    }
    if (pos + length > s.size()) return false;
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    pos += length;
    return true;
}

}  // namespace

std::string SingleByteToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

std::string Utf8ToSingleByte(std::string_view text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::uint32_t cp = 0;
        if (!NextCodePoint(text, pos, cp)) {
            out.push_back(text[pos++]);
        } else {
            out.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
        }
    }
    return out;
}

std::size_t SingleByteUnits(std::string_view utf8) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::uint32_t cp = 0;
        if (!NextCodePoint(utf8, pos, cp)) {
            ++pos;
            ++units;
        } else {
            units += cp <= 0xFF ? 1 : 2;
        }
    }
    return units;
}

std::string FixedLength(std::string_view text, std::size_t length) {
    std::string out(text.substr(0, length));
    out.resize(length, ' ');
    return out;
}

}  // namespace rq50::files
