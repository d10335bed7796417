#include "files/BinaryRecord.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace rq50::files {

namespace {

// Growable arrays of the records have one dimension and lower bound 0.
constexpr std::uint16_t kArrayDimensions = 1;

}  // namespace

void RecordWriter::Int16(std::uint16_t value) {
    m_bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    m_bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void RecordWriter::Int32(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        m_bytes.push_back(static_cast<std::uint8_t>((u >> shift) & 0xFF));
    }
}

void RecordWriter::Date(double value) {
    const auto u = std::bit_cast<std::uint64_t>(value);
    for (int shift = 0; shift < 64; shift += 8) {
        m_bytes.push_back(static_cast<std::uint8_t>((u >> shift) & 0xFF));
    }
}

void RecordWriter::FixedText(std::string_view text, std::size_t length) {
    const std::size_t n = std::min(text.size(), length);
    m_bytes.insert(m_bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    Fill(' ', length - n);
}

void RecordWriter::CountedText(std::string_view text) {
    const std::size_t n =
        std::min<std::size_t>(text.size(), std::numeric_limits<std::uint16_t>::max());
    Int16(static_cast<std::uint16_t>(n));
    m_bytes.insert(m_bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
}

void RecordWriter::ArrayDescriptor(std::size_t count) {
    Int16(kArrayDimensions);
    Int32(static_cast<std::int32_t>(count));
    Int32(0);
}

void RecordWriter::Blocks(const std::vector<parameter::ItemBlock>& blocks) {
    if (blocks.empty()) {
        Int16(0);
        return;
    }
    ArrayDescriptor(blocks.size());
    for (const auto& block : blocks) m_bytes.insert(m_bytes.end(), block.begin(), block.end());
}

void RecordWriter::FixedTexts(const std::vector<std::string>& texts, std::size_t length) {
    if (texts.empty()) {
        Int16(0);
        return;
    }
    ArrayDescriptor(texts.size());
    for (const auto& text : texts) FixedText(text, length);
}

std::span<const std::uint8_t> RecordReader::Take(std::size_t count) {
    if (!m_ok) return {};
    if (count > m_bytes.size() - m_offset) {
        m_ok = false;
        m_pastEnd = true;
        return {};
    }
    auto part = m_bytes.subspan(m_offset, count);
    m_offset += count;
    return part;
}

std::uint8_t RecordReader::Byte() {
    auto b = Take(1);
    return b.empty() ? 0 : b[0];
}

std::uint16_t RecordReader::Int16() {
    auto b = Take(2);
    if (b.empty()) return 0;
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::int32_t RecordReader::Int32() {
    auto b = Take(4);
    if (b.empty()) return 0;
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | b[static_cast<std::size_t>(i)];
    return static_cast<std::int32_t>(u);
}

double RecordReader::Date() {
    auto b = Take(8);
    if (b.empty()) return 0.0;
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | b[static_cast<std::size_t>(i)];
    return std::bit_cast<double>(u);
}

std::string RecordReader::FixedText(std::size_t length) {
    auto b = Take(length);
    return std::string(b.begin(), b.end());
}

std::string RecordReader::CountedText() {
    const std::uint16_t count = Int16();
    if (m_ok && count > Remaining()) {
        m_ok = false;
        m_pastEnd = true;
        return {};
    }
    return FixedText(count);
}

bool RecordReader::Expect(std::uint8_t value, std::size_t length) {
    auto b = Take(length);
    if (!m_ok) return false;
    return std::all_of(b.begin(), b.end(), [value](std::uint8_t c) { return c == value; });
}

bool RecordReader::NextAre(std::uint8_t value, std::size_t length) const {
    if (length > Remaining()) return false;
    const auto part = m_bytes.subspan(m_offset, length);
    return std::all_of(part.begin(), part.end(), [value](std::uint8_t c) { return c == value; });
}

std::size_t RecordReader::ArrayCount(std::size_t elementSize) {
    const std::uint16_t dimensions = Int16();
    if (!m_ok || dimensions == 0) return 0;
    const std::int32_t count = Int32();
    const std::int32_t lowerBound = Int32();
    if (!m_ok || dimensions != kArrayDimensions || lowerBound != 0 || count < 0) {
        m_ok = false;
        return 0;
    }
    // A count the bytes left cannot hold: the file ends inside the array.
    if (static_cast<std::size_t>(count) > Remaining() / elementSize) {
        m_ok = false;
        m_pastEnd = true;
        return 0;
    }
    return static_cast<std::size_t>(count);
}

std::vector<parameter::ItemBlock> RecordReader::Blocks() {
    const std::size_t count = ArrayCount(sizeof(parameter::ItemBlock));
    std::vector<parameter::ItemBlock> blocks(count);
    for (auto& block : blocks) {
        auto b = Take(block.size());
        if (b.empty()) return {};
        std::memcpy(block.data(), b.data(), block.size());
    }
    return blocks;
}

std::vector<std::string> RecordReader::FixedTexts(std::size_t length) {
    if (length == 0) {
        m_ok = false;
        return {};
    }
    const std::size_t count = ArrayCount(length);
    std::vector<std::string> texts;
    texts.reserve(count);
    for (std::size_t i = 0; i < count && m_ok; ++i) texts.push_back(FixedText(length));
    return texts;
}

}  // namespace rq50::files
