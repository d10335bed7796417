#pragma once

#include "parameter/ItemBlock.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rq50::files {

/// Bytes of one file record.
using Bytes = std::vector<std::uint8_t>;

/// Builds a packed little-endian record member by member, with no padding.
/// Texts are single-byte: one byte a character.
class RecordWriter {
  public:
    void Byte(std::uint8_t value) { m_bytes.push_back(value); }
    void Int16(std::uint16_t value);
    void Int32(std::int32_t value);
    /// An OLE Automation date: days since 30 December 1899, as an IEEE double.
    void Date(double value);
    /// `text` padded on the right with spaces, or cut, to exactly `length` bytes.
    void FixedText(std::string_view text, std::size_t length);
    /// A 16-bit byte count, then the text (cut to 65535 bytes).
    void CountedText(std::string_view text);
    void Fill(std::uint8_t value, std::size_t count) {
        m_bytes.insert(m_bytes.end(), count, value);
    }
    /// A growable array: descriptor (1 dimension, count, lower bound 0) and the
    /// blocks; an empty array is the single 16-bit value 0.
    void Blocks(const std::vector<parameter::ItemBlock>& blocks);
    /// A growable array of fixed-length texts of `length` bytes each.
    void FixedTexts(const std::vector<std::string>& texts, std::size_t length);

    const Bytes& Data() const { return m_bytes; }
    Bytes Take() { return std::move(m_bytes); }

  private:
    void ArrayDescriptor(std::size_t count);

    Bytes m_bytes;
};

/// Reads a packed little-endian record member by member. Reading never goes
/// past the end: the first member that does not fit puts the reader into the
/// failed state, after which every read returns zero or empty values.
/// Growable arrays are sized only after their count was checked against the
/// bytes that are left, so no count read from a file can make it allocate more
/// than the file holds.
class RecordReader {
  public:
    explicit RecordReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    bool Ok() const { return m_ok; }
    /// After a failure: true when the bytes ended before a member, or before
    /// the texts or elements a count announced; false when a descriptor or a
    /// count was impossible in itself (negative, two dimensions ...).
    bool RanPastEnd() const { return m_pastEnd; }
    std::size_t Offset() const { return m_offset; }
    std::size_t Remaining() const { return m_ok ? m_bytes.size() - m_offset : 0; }

    std::uint8_t Byte();
    std::uint16_t Int16();
    std::int32_t Int32();
    double Date();
    std::string FixedText(std::size_t length);
    std::string CountedText();
    /// True when the next `length` bytes all equal `value`; they are consumed.
    bool Expect(std::uint8_t value, std::size_t length);
    /// True when the next `length` bytes are there and all equal `value`;
    /// nothing is consumed.
    bool NextAre(std::uint8_t value, std::size_t length) const;
    std::vector<parameter::ItemBlock> Blocks();
    std::vector<std::string> FixedTexts(std::size_t length);

    /// Puts the reader into the failed state (a member's value is impossible).
    void Fail() { m_ok = false; }

  private:
    /// The next `count` bytes, or an empty span and the failed state.
    std::span<const std::uint8_t> Take(std::size_t count);
    /// Element count of a growable array whose elements take `elementSize`
    /// bytes; fails on a descriptor this program never writes.
    std::size_t ArrayCount(std::size_t elementSize);

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_offset = 0;
    bool m_ok = true;
    bool m_pastEnd = false;
};

}  // namespace rq50::files
