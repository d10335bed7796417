#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rq50::sim {

using Bytes = std::vector<std::uint8_t>;

/// Command bytes the instrument understands.
inline constexpr std::uint8_t kCmdRead = 0x80;
inline constexpr std::uint8_t kCmdNextGroup = 0x82;
inline constexpr std::uint8_t kCmdNextItem = 0x84;
inline constexpr std::uint8_t kCmdPrevItem = 0x85;
inline constexpr std::uint8_t kCmdNextChoice = 0x86;
inline constexpr std::uint8_t kCmdMaintenance = 0x10;
inline constexpr std::uint8_t kCmdWrite = 0x40;

/// Response status codes (byte 4, bits 5-3).
inline constexpr int kStatusNormal = 0;
inline constexpr int kStatusCommandError = 1;
inline constexpr int kStatusAddressError = 2;

/// A request frame taken apart.
struct Request {
    std::uint8_t command = 0;
    int ma = 0;
    int mb = 0;
    int mc = 0;
    bool retry = false;
    Bytes data;
};

/// Sum of the bytes modulo 256.
std::uint8_t Checksum(const Bytes& bytes, std::size_t count);

/// Takes a complete request frame apart; nothing when its length byte does
/// not match its size or its checksum is wrong (the instrument stays silent).
std::optional<Request> ParseRequest(const Bytes& frame);

/// Header, text and the checksum behind them.
Bytes AssembleFrame(const std::array<std::uint8_t, 8>& header, const std::string& text);

/// Builds a request frame as the tool does (used by tests and tools).
Bytes MakeRequest(std::uint8_t command, int ma, int mb, int mc, const Bytes& data = {},
                  bool retry = false);

/// Status answer: type 0, no text, the request's address repeated.
Bytes StatusFrame(int status, const Request& request);

/// Collects request frames from a byte stream. A frame is complete when
/// byte 3 says so; bytes that cannot start a frame are skipped, and a frame
/// left incomplete for longer than the gap limit is thrown away, so the
/// instrument always finds the next request again.
class FrameAssembler {
  public:
    static constexpr std::int64_t kGapLimitUs = 50'000;

    /// Adds one byte that arrived at `atUs`; returns a frame when it completes one.
    std::optional<Bytes> Push(std::uint8_t byte, std::int64_t atUs);
    void Reset() { m_buffer.clear(); }

  private:
    void Resync();
    Bytes m_buffer;
    std::int64_t m_lastUs = 0;
};

}  // namespace rq50::sim
