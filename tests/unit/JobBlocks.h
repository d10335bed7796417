#pragma once

// Item blocks built the way an instrument describes its items, for the tests
// of the transfers and the online page.

#include "parameter/ItemBlock.h"

#include <string>

namespace rq50::testing {

/// A type-3 item (name 8, data 8, auxiliary 8) unless `aux` is empty, then
/// type 2.
inline parameter::ItemBlock Block(int kind, int ma, int mb, int mc, const std::string& name,
                                  const std::string& data, const std::string& aux = {}) {
    parameter::ItemBlock b{};
    const int type = aux.empty() ? 2 : 3;
    b[0] = static_cast<std::uint8_t>((type << 6) | (kind & 7));
    b[1] = static_cast<std::uint8_t>(ma & 63);
    b[2] = static_cast<std::uint8_t>(mb & 63);
    b[3] = static_cast<std::uint8_t>(mc & 63);
    std::string text = name;
    text.resize(8, ' ');
    std::string d = data;
    d.resize(8, ' ');
    text += d;
    if (!aux.empty()) {
        std::string a = aux;
        a.resize(8, ' ');
        text += a;
    }
    for (std::size_t i = 0; i < text.size(); ++i) b[4 + i] = static_cast<std::uint8_t>(text[i]);
    return b;
}

}  // namespace rq50::testing
