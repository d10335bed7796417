#pragma once

// Helpers shared by the simulator's tests: load a shipped instrument and take
// answer frames apart independently of the simulator's own code.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/Frame.h"
#include "sim/Instrument.h"

namespace rq50::sim::test {

inline Instrument LoadShipped(const std::string& file) {
    return Instrument::FromFile(std::string(RQ50_SIM_INSTRUMENTS_DIR) + "/" + file);
}

/// An answer frame as the tool reads it.
struct Answer {
    int type = 0, status = 0, kind = 0, ma = 0, mb = 0, mc = 0;
    std::string name, data, aux;
    bool checksumOk = false;
    bool lengthOk = false;
};

inline Answer Decode(const Bytes& f) {
    Answer a;
    if (f.size() < 9) return a;
    a.type = f[4] >> 6;
    a.status = (f[4] >> 3) & 7;
    a.kind = f[4] & 7;
    a.ma = f[5] & 0x3F;
    a.mb = f[6] & 0x3F;
    a.mc = f[7] & 0x3F;
    const int nameCode = f[5] >> 6, dataCode = f[6] >> 6;
    int n = nameCode == 0 ? 8 : nameCode == 1 ? 12 : 0;
    int d = dataCode == 0 ? 8 : dataCode == 2 ? 16 : 0;
    if (a.type < 2) n = 0;
    if (a.type == 0) d = 0;
    const int length = a.type == 0 ? 0 : a.type == 1 ? d : a.type == 2 ? n + d : n + d + 8;
    a.lengthOk = f.size() == static_cast<std::size_t>(9 + length) &&
                 f[3] == ((4 + length) & 0xFF) && f[0] == 0 && f[1] == 0 && f[2] == 0x12;
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < f.size(); ++i) sum += f[i];
    a.checksumOk = (sum & 0xFF) == f.back();
    const std::string text(f.begin() + 8, f.end() - 1);
    a.name = text.substr(0, std::min<std::size_t>(n, text.size()));
    if (text.size() > static_cast<std::size_t>(n)) a.data = text.substr(n, d);
    if (text.size() > static_cast<std::size_t>(n + d)) a.aux = text.substr(n + d);
    return a;
}

inline Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

/// Sends one request and decodes the answer; fails the test when none comes.
inline Answer Ask(Instrument& instrument, std::uint8_t command, int ma, int mb, int mc = 0,
                  const std::string& data = {}) {
    const auto frame = instrument.Handle(MakeRequest(command, ma, mb, mc, Text(data)));
    EXPECT_TRUE(frame.has_value()) << "no answer to command " << int(command);
    if (!frame) return {};
    Answer a = Decode(*frame);
    EXPECT_TRUE(a.checksumOk);
    EXPECT_TRUE(a.lengthOk);
    return a;
}

}  // namespace rq50::sim::test
